#pragma once
// The order in which a gfp host tries the korvel rule sets on one file: first
// those whose extension list holds the file's extension (regardless of case),
// then the others, each group in the order korvel_hobeta, korvel_screens,
// korvel_extra. Each rule set has its own file size limits (see load.h).
// Front-ends that read in-process (the desktop loaders) use it to give the
// same picture a viewer with every plug-in installed would show.

#include <cstddef>
#include <cstdint>

#include "plugin/deliverable.h"
#include "plugin/load.h"
#include "plugin/picture.h"

namespace korvel {

// Whether the semicolon-separated `extensionList` holds the extension of
// `fileName` (the text after the last dot of its last path component),
// compared without regard to case. A name without a dot has no extension.
bool ExtensionListHolds(const char* extensionList, const char* fileName);

// Every rule set, in the host's base order.
extern const DeliverableDescription* const kHostOrder[];
extern const size_t kHostOrderCount;

// The picture the first rule set in the host's order gives for `size` bytes
// named `fileName`, with the name of its form; no picture when none gives one,
// or when memory runs out (which ends the search).
LoadedPicture LoadNamedPictureInHostOrder(const uint8_t* bytes, size_t size, const char* fileName,
                                          const Drawing& drawing = kDefaultDrawing);

// The picture alone.
Picture* LoadPictureInHostOrder(const uint8_t* bytes, size_t size, const char* fileName);

}  // namespace korvel
