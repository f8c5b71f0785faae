#pragma once
// Writing an RGB image as an 8-bit-per-channel PNG file.

#include <filesystem>
#include <string>

#include "host/plugins.h"

namespace korvel::host {

// Writes `image` to `path`, replacing the file when `overwrite` is set and
// refusing an existing one otherwise. On failure `error` says why.
bool WritePng(const Image& image, const std::filesystem::path& path, bool overwrite, std::string& error);

}  // namespace korvel::host
