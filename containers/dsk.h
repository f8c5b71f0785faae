#pragma once
// +3 disk images, standard (`MV - CPC`) and extended (`EXTENDED`): a disk
// header, then a block per track holding its sector list and the sectors'
// data. On them, the +3DOS file system: a CP/M directory of 32-byte entries
// naming each file's blocks.

#include "containers/container.h"

namespace korvel {

// Bytes of the work area WalkPlus3Files needs for `file` (two indexes of the
// directory and room for a file's first bytes), or 0 when the image holds no
// +3DOS file system it reads.
size_t Plus3WorkAreaBytes(ByteSpan file);

// Calls `visit` for each file of the directory (all the entries of one user
// number, name and type), in the directory order of their first entries,
// with its first 7040 bytes (a +3DOS header and a screen), or with those it
// has and why there are no more. kBroken, before any visit, when the image
// holds no +3DOS file system it reads.
WalkResult WalkPlus3Files(ByteSpan file, MutableByteSpan workArea, NamedFileVisitor visit);

}  // namespace korvel
