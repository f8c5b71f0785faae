#pragma once
// Microdrive cartridges: sectors of 543 bytes, each a header and a record of
// up to 512 bytes of one file, by file name and record number.

#include "containers/container.h"

namespace korvel {

// Bytes of the work area WalkMdrFiles needs for `file`: two indexes of its
// sectors and room for a screen's data.
size_t MdrWorkAreaBytes(ByteSpan file);

// Calls `visit` for each file of the cartridge (the records of one name), in
// the order of their record 0. A code file of 6912 bytes at the start of its
// data comes with them as its screen; any other with why it gives none.
// Files without a record 0 are not visited. Never kBroken.
WalkResult WalkMdrFiles(ByteSpan file, MutableByteSpan workArea, NamedFileVisitor visit);

}  // namespace korvel
