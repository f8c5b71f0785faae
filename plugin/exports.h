#pragma once
// The six functions a host calls, with C linkage and the host interface's
// names. Windows hosts call them with the __stdcall convention.

#include <cstdint>

#if defined(_WIN32)
#define KORVEL_CALL __stdcall
#define KORVEL_EXPORT
#else
#define KORVEL_CALL
#define KORVEL_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// Interface version 2 only: copies the label and the extension list (cut to
// the given sizes, always terminated) and sets the flags to 1.
KORVEL_EXPORT int KORVEL_CALL gfpGetPluginInfo(int32_t version, char* label, int32_t labelMax, char* extensions,
                                               int32_t extensionsMax, int32_t* pluginFlags);

// The picture handle, or null when the file cannot be read or recognised.
KORVEL_EXPORT void* KORVEL_CALL gfpLoadPictureInit(const char* fileName);

// Writes type 0, the size, 75 dpi, 24 bits per pixel, width * 3 bytes per
// line and no colour map; the two trailing arguments are not touched.
KORVEL_EXPORT int KORVEL_CALL gfpLoadPictureGetInfo(void* picture, int32_t* pictureType, int32_t* width,
                                                    int32_t* height, int32_t* dpi, int32_t* bitsPerPixel,
                                                    int32_t* bytesPerLine, int32_t* hasColormap, void* reserved1,
                                                    void* reserved2);

// Copies row `row` (0 is the top) into `buffer`, width * 3 bytes.
KORVEL_EXPORT int KORVEL_CALL gfpLoadPictureGetLine(void* picture, int32_t row, unsigned char* buffer);

// No picture has a colour map: writes nothing and returns 0.
KORVEL_EXPORT int KORVEL_CALL gfpLoadPictureGetColormap(void* picture, void* colormap);

// Releases the picture; returns the heap's answer for the release.
KORVEL_EXPORT int KORVEL_CALL gfpLoadPictureExit(void* picture);

}  // extern "C"
