#pragma once
// `korvel identify`: what korvel sees in each file, one line each, and one
// more per picture of a tape or snapshot and per entry of a disk image.

#include <filesystem>
#include <vector>

#include "host/readers.h"

namespace korvel::host {

// Prints the lines for `files` on stdout; returns 1 when a file cannot be
// read, 0 otherwise.
int Identify(const std::vector<std::filesystem::path>& files, const PictureReader& reader);

}  // namespace korvel::host
