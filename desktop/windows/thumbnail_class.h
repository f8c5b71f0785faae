#pragma once
// The COM class of korvel's thumbnail provider, and the Shell's key under
// which a file type names its thumbnail handler.

#include <windows.h>

namespace korvel::desktop {

// {4AC968CA-B5C2-44F8-B7B3-3CD609DE1701}
inline constexpr CLSID kThumbnailProviderClass = {
    0x4ac968ca, 0xb5c2, 0x44f8, {0xb7, 0xb3, 0x3c, 0xd6, 0x09, 0xde, 0x17, 0x01}};
inline constexpr wchar_t kThumbnailProviderClassText[] = L"{4AC968CA-B5C2-44F8-B7B3-3CD609DE1701}";
inline constexpr wchar_t kThumbnailProviderName[] = L"korvel ZX Spectrum thumbnails";

// ShellEx\{IID_IThumbnailProvider} of a file extension's key: its default
// value is the CLSID of the extension's thumbnail handler.
inline constexpr wchar_t kThumbnailHandlerKey[] = L"ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";

}  // namespace korvel::desktop
