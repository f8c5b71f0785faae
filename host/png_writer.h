#pragma once
// Writing an RGB image as an 8-bit-per-channel PNG file, and a picture that
// moves as an animated PNG.

#include <filesystem>
#include <string>
#include <vector>

#include "host/plugins.h"
#include "host/png_frames.h"

namespace korvel::host {

// Writes `image` to `path`, replacing the file when `overwrite` is set and
// refusing an existing one otherwise. On failure `error` says why.
bool WritePng(const Image& image, const std::filesystem::path& path, bool overwrite, std::string& error);

// Writes `frames` (each image.width x image.height; frames[0] is usually
// image.rgb) as an animated PNG whose default image is the first frame,
// looping for ever. One frame or none: WritePng's plain PNG of `image`.
bool WriteAnimatedPng(const Image& image, const std::vector<PngFrame>& frames, const std::filesystem::path& path,
                      bool overwrite, std::string& error);

}  // namespace korvel::host
