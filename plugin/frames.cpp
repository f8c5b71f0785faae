#include "plugin/frames.h"

#include <cstddef>
#include <cstring>

namespace korvel {

namespace {

// One frame scaled; null for want of memory.
Picture* ScaleFrame(const Picture& frame, uint32_t scale) {
  Picture* scaled = CreatePicture(static_cast<uint16_t>(frame.width * scale), static_cast<uint16_t>(frame.height * scale));
  if (scaled == nullptr) return nullptr;
  scaled->delay = frame.delay;
  const size_t rowBytes = RowBytes(*scaled);
  for (uint32_t y = 0; y < frame.height; ++y) {
    const uint8_t* in = frame.pixels + y * RowBytes(frame);
    uint8_t* out = scaled->pixels + size_t{y} * scale * rowBytes;
    uint8_t* pixel = out;
    for (uint32_t x = 0; x < frame.width; ++x, in += 3) {
      for (uint32_t k = 0; k < scale; ++k, pixel += 3) memcpy(pixel, in, 3);
    }
    for (uint32_t k = 1; k < scale; ++k) memcpy(out + k * rowBytes, out, rowBytes);
  }
  return scaled;
}

struct BorderSizes {
  uint16_t sides;
  uint16_t topAndBottom;
};

constexpr BorderSizes kBorderSizes[] = {{0, 0}, {16, 16}, {32, 32}, {64, 48}};

Picture* FramedCopy(const Picture& frame, BorderSizes border, const uint8_t (&colour)[3]) {
  Picture* framed = CreatePicture(static_cast<uint16_t>(frame.width + 2 * border.sides),
                                  static_cast<uint16_t>(frame.height + 2 * border.topAndBottom));
  if (framed == nullptr) return nullptr;
  framed->delay = frame.delay;
  uint8_t* out = framed->pixels;
  for (size_t i = 0; i < PixelBytes(*framed); i += 3) memcpy(out + i, colour, 3);
  for (uint16_t y = 0; y < frame.height; ++y) {
    memcpy(out + (y + border.topAndBottom) * RowBytes(*framed) + 3 * border.sides, frame.pixels + y * RowBytes(frame),
           RowBytes(frame));
  }
  return framed;
}

}  // namespace

bool HasDefaultPalette(const DrawingChoices& choices) {
  for (int i = 0; i < 16; ++i) {
    if (!(choices.palette[i] == ZxPalette[i])) return false;
  }
  return true;
}

bool NeedsTables(const DrawingChoices& choices) {
  return !HasDefaultPalette(choices) || choices.gigascreen == GigascreenMode::kLinear;
}

bool ChoicesFromOptions(const korvel_options* options, DrawingChoices& choices, uint32_t& scale) {
  choices = DrawingChoices{};
  scale = 1;
  if (options == nullptr) return true;
  // The record's fields up to `scale` are its first release's.
  if (options->size < offsetof(korvel_options, scale) + sizeof options->scale) return false;
  if (options->gigascreen < KORVEL_GIGASCREEN_BLEND || options->gigascreen > KORVEL_GIGASCREEN_FLICKER) return false;
  if (options->border < KORVEL_BORDER_NONE || options->border > KORVEL_BORDER_FULL) return false;
  if (options->border_colour < 0 || options->border_colour > 7 || options->scale > 8) return false;
  if (options->palette != nullptr) {
    const uint8_t* rgb = options->palette;
    for (Rgb& colour : choices.palette) colour = {rgb[0], rgb[1], rgb[2]}, rgb += 3;
  }
  choices.gigascreen = static_cast<GigascreenMode>(options->gigascreen);
  choices.border = static_cast<BorderSize>(options->border);
  choices.borderColour = static_cast<uint8_t>(options->border_colour);
  if (options->scale != 0) scale = options->scale;
  return true;
}

WalkDrawings PrepareDrawings(const DrawingChoices& choices, DrawingTables* tables) {
  const AttributeRuns* steady = kAttributeRuns.runs;
  const AttributeRuns* swapped = kFlashedAttributeRuns.runs;
  if (!HasDefaultPalette(choices)) {
    BuildAttributeRuns(choices.palette, 0, tables->steady);
    BuildAttributeRuns(choices.palette, 1, tables->swapped);
    steady = tables->steady;
    swapped = tables->swapped;
  }
  const bool linear = choices.gigascreen == GigascreenMode::kLinear;
  if (linear) BuildLinearMeans(tables->linearMeans);
  WalkDrawings walks = {};
  walks.first = {steady, steady, choices.palette, choices.gigascreen, 0, linear ? tables->linearMeans : nullptr, true,
                 swapped};
  walks.flashed = walks.first;
  walks.flashed.runs = swapped;
  walks.flashed.flashedRuns = nullptr;
  walks.secondScreen = walks.first;
  walks.secondScreen.flashedRuns = nullptr;
  walks.secondScreen.screen = 1;
  walks.flicker = choices.gigascreen == GigascreenMode::kFlicker;
  return walks;
}

void JoinFrames(Picture& first, Picture* flashed, Picture* secondScreen) {
  if (first.nextFrame != nullptr) {  // an animation of its own, or a screen that drew its FLASH phases
    ReleasePicture(flashed);
    ReleasePicture(secondScreen);
    return;
  }
  if (JoinWhenDiffering(first, secondScreen, 1)) {
    ReleasePicture(flashed);
    return;
  }
  JoinWhenDiffering(first, flashed, kFlashDelay);
}

Picture* WithBorder(Picture* picture, const DrawingChoices& choices) {
  if (picture == nullptr || choices.border == BorderSize::kNone || picture->border == BorderTaken::kNone ||
      picture->width != kScreenWidth || picture->height != kScreenHeight) {
    return picture;
  }
  const BorderSizes sizes = kBorderSizes[static_cast<size_t>(choices.border)];
  Picture* first = nullptr;
  Picture** link = &first;
  for (const Picture* frame = picture; frame != nullptr; frame = frame->nextFrame) {
    const Rgb chosen = choices.palette[choices.borderColour & 7];
    uint8_t colour[3] = {chosen.red, chosen.green, chosen.blue};
    if (frame->border == BorderTaken::kKept) memcpy(colour, frame->keptBorder, 3);
    *link = FramedCopy(*frame, sizes, colour);
    if (*link == nullptr) {
      ReleasePicture(first);
      first = nullptr;
      break;
    }
    link = &(*link)->nextFrame;
  }
  ReleasePicture(picture);
  return first;
}

ScaledFrames ScaleFrames(const Picture& picture, uint32_t scale) {
  const uint64_t width = uint64_t{picture.width} * scale;
  const uint64_t height = uint64_t{picture.height} * scale;
  if (width > UINT16_MAX || height > UINT16_MAX || width * height * kBytesPerPixel > kMaxFrameBytes) {
    return {nullptr, true};
  }
  Picture* first = nullptr;
  Picture** link = &first;
  for (const Picture* frame = &picture; frame != nullptr; frame = frame->nextFrame) {
    *link = ScaleFrame(*frame, scale);
    if (*link == nullptr) {
      ReleasePicture(first);
      return {nullptr, false};
    }
    link = &(*link)->nextFrame;
  }
  return {first, false};
}

}  // namespace korvel
