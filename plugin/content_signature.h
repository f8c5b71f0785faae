#pragma once
// Whether a file's first bytes say it is a ZX picture or a file that holds
// one, without its name. Front-ends that must claim files by content (a Qt
// image reader asked about an unnamed device) use it; raw screens, which have
// nothing but their size, are never claimed this way, so a file of another
// format that happens to be 6912 bytes long stays that format's.

#include "plugin/byte_reader.h"

namespace korvel {

// True for a file that begins with the signature of a ZX picture or
// container (MGH, chr$ in any case, SCA, PLUS3DOS, ZXTape!, SINCLAIR, a
// ZX-Paintbrush text picture), or with a Hobeta header whose checksum holds
// and whose sectors the file holds.
bool HasZxContentSignature(ByteSpan file);

}  // namespace korvel
