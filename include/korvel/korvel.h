/* korvel: ZX Spectrum pictures for any program.
 *
 * Opens a file's bytes (a picture file, a tape, a snapshot, a disk image) and
 * gives every picture in it as 24-bit RGB, rows from the top, with the names
 * `korvel identify` prints. Plain C99, usable from C++.
 *
 *   korvel_file* file = korvel_open_memory(bytes, size, "game.tap");
 *   for (size_t i = 0; i < korvel_picture_count(file); ++i)
 *     show(korvel_picture_rgb(file, i), korvel_picture_width(file, i), korvel_picture_height(file, i));
 *   korvel_close(file);
 *
 * Every call is safe on any thread for different files, and a file opened on
 * one thread may be read on another; the library keeps no global state. No
 * call aborts: a failure is a NULL or 0. A NULL file, or an index past the
 * end, gives 0 or NULL.
 */
#ifndef KORVEL_KORVEL_H
#define KORVEL_KORVEL_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__) && !defined(_WIN32)
#define KORVEL_API __attribute__((visibility("default")))
#else
#define KORVEL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One file, read whole: its pictures and the other items it lists. */
typedef struct korvel_file korvel_file;

/* Reads every picture of the `size` bytes at `bytes`, in the order the
 * command-line host reads them. `name` (may be NULL: then only the content
 * decides) is the file's name; only its extension is looked at. Everything is
 * read before the call returns: `bytes` may be freed at once, and nothing
 * returned points into it. A file that gives no picture opens with 0
 * pictures. NULL only when memory runs out (or `bytes` is NULL with a
 * nonzero `size`). Files larger than 16 MiB give no picture. */
KORVEL_API korvel_file* korvel_open_memory(const uint8_t* bytes, size_t size, const char* name);

/* What a caller may choose beyond today's pictures. The record begins with
 * its own size, so that it can grow: set `size` to sizeof(korvel_options)
 * and zero what you do not choose (zero is today's choice throughout). */
typedef struct korvel_options {
  size_t size;
  /* 48 bytes, red, green, blue of the colours 0-7 (black, blue, red,
   * magenta, green, cyan, yellow, white), then bright 0-7; NULL for the
   * default palette. Copied by the call. */
  const uint8_t* palette;
  int gigascreen; /* KORVEL_GIGASCREEN_... */
  int border;     /* KORVEL_BORDER_... */
  int border_colour; /* 0-7, for files that keep no border colour of their own */
  uint32_t scale; /* every pixel scale x scale, 1 to 8; 0 counts as 1 */
} korvel_options;

enum {
  KORVEL_GIGASCREEN_BLEND = 0,  /* the two screens averaged, as always */
  KORVEL_GIGASCREEN_LINEAR = 1, /* averaged in linear light */
  KORVEL_GIGASCREEN_FLICKER = 2 /* the two screens as two frames of 1/50 s */
};

enum {
  KORVEL_BORDER_NONE = 0,
  KORVEL_BORDER_SMALL = 1,  /* 16 pixels around a 256x192 picture: 288x224 */
  KORVEL_BORDER_MEDIUM = 2, /* 32 pixels: 320x256 */
  KORVEL_BORDER_FULL = 3    /* 64 left and right, 48 top and bottom: 384x288 */
};

/* korvel_open_memory with choices; NULL options are korvel_open_memory's.
 * NULL also when the options are not valid (a size smaller than the record's
 * first release, a mode, border, colour or scale out of range). A picture
 * that the scale would make larger than 65535 pixels a side or 1 GiB of RGB
 * becomes an item without a picture, whose reason names the limit. */
KORVEL_API korvel_file* korvel_open_memory_with(const uint8_t* bytes, size_t size, const char* name,
                                                const korvel_options* options);

/* Gives back everything of the file; pointers it returned become invalid.
 * NULL is fine. */
KORVEL_API void korvel_close(korvel_file* file);

/* What the file is, in `korvel identify`'s words ("standard screen", "TAP
 * tape", "TR-DOS disk image"); NULL when nothing reads it. */
KORVEL_API const char* korvel_file_form(const korvel_file* file);

/* Why nothing reads the file, in one line ("not a ZX picture korvel reads");
 * NULL when something does. */
KORVEL_API const char* korvel_file_reason(const korvel_file* file);

/* Whether the file holds its pictures (a tape, a snapshot, a disk image):
 * 1, or 0 for a picture file and for a file nothing reads. */
KORVEL_API int korvel_file_is_container(const korvel_file* file);

/* The pictures, from 0. */
KORVEL_API size_t korvel_picture_count(const korvel_file* file);
KORVEL_API uint32_t korvel_picture_width(const korvel_file* file, size_t picture);
KORVEL_API uint32_t korvel_picture_height(const korvel_file* file, size_t picture);
/* width x height x 3 bytes (red, green, blue), rows from the top, valid until
 * the file is closed. A picture may be 0 pixels wide or high. */
KORVEL_API const uint8_t* korvel_picture_rgb(const korvel_file* file, size_t picture);
/* The label the host's file names use: "" for a picture file or a snapshot;
 * on a tape the picture's number from 1 ("1", "2", ...); on a disk the
 * entry's NAME.T ("LOGO.C"). Every byte but ASCII letters, digits, '-' and
 * '_' reads '_'. Labels may repeat. */
KORVEL_API const char* korvel_picture_label(const korvel_file* file, size_t picture);
/* What the picture is ("standard screen", "LCMP5-packed screen"). */
KORVEL_API const char* korvel_picture_form(const korvel_file* file, size_t picture);

/* The frames of a picture that moves (FLASH, a flickering gigascreen, an
 * SCA animation): 1 for a still picture, 0 for a bad index. Frame 0 is
 * korvel_picture_rgb's; every frame has the picture's size. */
KORVEL_API size_t korvel_picture_frame_count(const korvel_file* file, size_t picture);
KORVEL_API const uint8_t* korvel_picture_frame_rgb(const korvel_file* file, size_t picture, size_t frame);
/* How long the frame shows, in seconds, as `*numerator` / `*denominator` in
 * lowest terms (FLASH: 8/25). Returns 1; 0 (and sets nothing) for a still
 * picture or a bad index. */
KORVEL_API int korvel_picture_frame_delay(const korvel_file* file, size_t picture, size_t frame,
                                          uint32_t* numerator, uint32_t* denominator);

/* The items `korvel identify` lists, from 0: every picture, and in a disk
 * image also the entries that give none. */
KORVEL_API size_t korvel_item_count(const korvel_file* file);
/* The item's picture index, or (size_t)-1 for an entry that gives none. */
KORVEL_API size_t korvel_item_picture(const korvel_file* file, size_t item);
KORVEL_API const char* korvel_item_label(const korvel_file* file, size_t item);
/* Why the entry gives no picture ("a BASIC program"); NULL for a picture. */
KORVEL_API const char* korvel_item_reason(const korvel_file* file, size_t item);
/* 1 when the entry was passed over for a reason worth a warning (its sectors
 * lie past the end of the image), else 0. */
KORVEL_API int korvel_item_warns(const korvel_file* file, size_t item);

/* The library's version, "MAJOR.MINOR.PATCH". */
KORVEL_API const char* korvel_version(void);

#ifdef __cplusplus
}
#endif

#endif /* KORVEL_KORVEL_H */
