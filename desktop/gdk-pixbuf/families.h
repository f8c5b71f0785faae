#pragma once
// The loader's name families. gdk-pixbuf never tells a loader the file's name,
// yet some ZX forms are told apart by their extension alone (an .mlt and an .mc
// file are both 12288 bytes). So each such family gets a module of its own
// that lists only the family's MIME type and reads every file as one named
// like the family would be read; the desktop's MIME database, which does see
// the name (and the signatures korvel-zx.xml gives a few types), picks the
// module. Everything a name does not select is read by
// the main module (family ""), as a file whose name selects nothing.
//
// One row per MIME type; rows of one family make one module,
// libpixbufloader-korvel-<family>.so (the main one libpixbufloader-korvel.so).
// desktop/CMakeLists.txt reads the family names from the rows below, so a new
// family is one new row; korvel-zx.xml and korvel.thumbnailer then need its
// type (a test compares them with this table).

#include <array>
#include <cstddef>
#include <string_view>

namespace korvel::desktop {

inline constexpr size_t kMaxExtensionsPerType = 15;

struct PixbufMimeType {
  const char* family;           // "" for the main module
  const char* assumedFileName;  // the name the family's files are read under
  const char* mimeType;
  const char* comment;          // as in the MIME database
  std::array<const char*, kMaxExtensionsPerType> extensions;  // without the dot, null after the last
};

// Not claimed: "rgb" (SGI's image/x-rgb; rename such a screen to .xpc) and
// "3" (Debian maps *.[1-9] to manual pages).
inline constexpr PixbufMimeType kPixbufMimeTypes[] = {
    // clang-format off
    {"", "picture", "image/x-zx-screen", "ZX Spectrum screen", {"scr"}},
    {"", "picture", "image/x-zx-gigascreen", "ZX Spectrum gigascreen picture", {"gsc", "iscr"}},
    {"", "picture", "image/x-zx-multicolour", "ZX Spectrum multicolour screen", {"mc", "mcx"}},
    {"", "picture", "image/x-zx-multicolour-gigascreen", "ZX Spectrum MGH multicolour gigascreen", {"mg1", "mg2", "mg4", "mg8"}},
    {"", "picture", "image/x-zx-border-screen", "ZX Spectrum screen with border", {"bsc"}},
    {"", "picture", "image/x-zx-multicolour-border-screen", "ZX Spectrum multicolour screen with border", {"bmc4"}},
    {"", "picture", "image/x-zx-macroscreen", "ZX Spectrum chr$ macroscreen", {"ch$", "chr$"}},
    {"", "picture", "image/x-zx-timex-hires", "Timex hi-res screen", {"shr"}},
    {"", "picture", "image/x-zx-sca-animation", "ZX Spectrum SCA animation", {"sca"}},
    {"", "picture", "image/x-zx-text-picture", "ZX Spectrum text picture", {"zxp"}},
    {"hobeta", "picture.$c", "image/x-zx-hobeta", "ZX Spectrum Hobeta file", {"$s", "!s", "$8", "!8", "$c", "!c", "$f", "!f", "$y", "!y", "$g", "!g", "$b", "!b"}},
    {"xpc", "picture.xpc", "image/x-zx-three-colour", "ZX Spectrum three-colour screen", {"xpc"}},
    {"xpv", "picture.xpv", "image/x-zx-three-colour-linear", "ZX Spectrum three-colour screen in plain row order", {"xpv"}},
    {"mlt", "picture.mlt", "image/x-zx-mlt", "ZX Spectrum MLT multicolour screen", {"mlt"}},
    {"ifl", "picture.ifl", "image/x-zx-ifl", "ZX Spectrum IFL multicolour screen", {"ifl"}},
    {"atr", "picture.atr", "image/x-zx-attribute-screen", "ZX Spectrum attribute screen", {"atr", "53c"}},
    {"shc", "picture.shc", "image/x-zx-timex-hicolour", "Timex hi-colour screen", {"shc"}},
    {"nxi", "picture.nxi", "image/x-zx-next-layer2", "ZX Spectrum Next layer-2 picture", {"nxi"}},
    // Files that hold pictures, shown by their first one. A TZX tape, an SCL
    // image, RZX, SZX, +3 disk, PZX, UDI and CSW files and a +3DOS file are
    // also found by their signature whatever their name, so the module a
    // signature picks reads them under any name. A WAV recording keeps its
    // audio type.
    {"tap", "picture.tap", "application/x-zx-tap", "ZX Spectrum tape", {"tap"}},
    {"tzx", "picture.tzx", "application/x-zx-tzx", "ZX Spectrum TZX tape", {"tzx"}},
    {"sna", "picture.sna", "application/x-zx-sna", "ZX Spectrum SNA snapshot", {"sna"}},
    {"z80", "picture.z80", "application/x-zx-z80", "ZX Spectrum Z80 snapshot", {"z80"}},
    {"trd", "picture.trd", "application/x-zx-trd", "TR-DOS disk image", {"trd"}},
    {"scl", "picture.scl", "application/x-zx-scl", "TR-DOS SCL disk image", {"scl"}},
    {"rzx", "picture.rzx", "application/x-zx-rzx", "ZX Spectrum RZX recording", {"rzx"}},
    {"szx", "picture.szx", "application/x-zx-szx", "ZX Spectrum SZX snapshot", {"szx"}},
    {"dsk", "picture.dsk", "application/x-zx-dsk", "ZX Spectrum +3 disk image", {"dsk"}},
    {"pzx", "picture.pzx", "application/x-zx-pzx", "ZX Spectrum PZX tape", {"pzx"}},
    {"fdi", "picture.fdi", "application/x-zx-fdi", "TR-DOS FDI disk image", {"fdi"}},
    {"udi", "picture.udi", "application/x-zx-udi", "TR-DOS UDI disk image", {"udi"}},
    {"td0", "picture.td0", "application/x-zx-td0", "TD0 disk image", {"td0"}},
    {"mdr", "picture.mdr", "application/x-zx-mdr", "ZX Spectrum microdrive cartridge", {"mdr"}},
    {"csw", "picture.csw", "application/x-zx-csw", "ZX Spectrum CSW tape recording", {"csw"}},
    {"", "picture", "application/x-zx-plus3dos", "ZX Spectrum +3DOS file", {}},
    // clang-format on
};

// What one module hands gdk-pixbuf, gathered from the rows of its family.
struct PixbufFamily {
  const char* assumedFileName = nullptr;  // null: no row has this family
  const char* description = nullptr;
  std::array<const char*, 16> mimeTypes{};   // null-terminated
  std::array<const char*, 64> extensions{};  // null-terminated
};

constexpr PixbufFamily FamilyOf(std::string_view family) {
  PixbufFamily gathered;
  size_t types = 0, extensions = 0;
  for (const PixbufMimeType& row : kPixbufMimeTypes) {
    if (family != row.family) continue;
    gathered.assumedFileName = row.assumedFileName;
    gathered.description = family.empty() ? "ZX Spectrum picture" : row.comment;
    gathered.mimeTypes.at(types++) = row.mimeType;  // at(): a full list fails the build
    for (const char* extension : row.extensions) {
      if (extension != nullptr) gathered.extensions.at(extensions++) = extension;
    }
  }
  gathered.mimeTypes.at(types) = nullptr;
  gathered.extensions.at(extensions) = nullptr;
  return gathered;
}

}  // namespace korvel::desktop
