#pragma once
// Registering the thumbnail provider: the class (CLSID\{...}\InprocServer32,
// the DLL's own path, apartment-threaded) and, for each extension, the
// Shell's thumbnail handler value naming it. Under HKLM\Software\Classes
// when the process runs elevated, else under HKCU\Software\Classes (for
// this user only).

#include <windows.h>

namespace korvel::desktop {

// Registers the class, and the handler for every extension a plug-in
// announces but the opt-in ones (scr, wav), plus those of the opt-in ones
// that `optIn` names ("scr;wav", separated by ';', ',' or spaces, a leading
// dot allowed; names no plug-in announces are passed over; null: none). An
// extension whose handler value already names another class is left alone.
HRESULT RegisterThumbnailProvider(HMODULE module, const wchar_t* optIn);

// Removes the class and every handler value that names it (the keys left
// empty too), for every extension a plug-in announces. While the other
// architecture's DLL is still registered on the same system (the x64 and x86
// installs share the extension keys), the handler values stay for it.
HRESULT UnregisterThumbnailProvider();

}  // namespace korvel::desktop
