#pragma once
// The steps of korvel_extra that read what korvel_hobeta reads, exactly as it
// reads it, and the files real disks hold that korvel_hobeta refuses. Each
// works on korvel_hobeta's load area and passes files of other sizes on.

#include "plugin/recognition_steps.h"

namespace korvel {

// korvel_hobeta's own reading: its raw sizes, Hobeta checks, rules and names.
DecodeResult ReadAsKorvelHobeta(const FileToRead& file, const char** formName);
// Hobeta files korvel_hobeta refuses: a wrong checksum under a `.$x`/`.!x`
// name, a file cut short after its data, and HR-packed screens.
DecodeResult ReadTolerantHobeta(const FileToRead& file, const char** formName);
// LCMP5- or HR-packed data with no Hobeta header.
DecodeResult ReadHeaderlessPacked(const FileToRead& file, const char** formName);
// An 18432-byte file named `.RGB`, `.Xpc`, ...: the three-colour layout of that name.
DecodeResult ReadThreeColourNamedInCapitals(const FileToRead& file, const char** formName);

}  // namespace korvel
