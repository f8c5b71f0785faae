; The korvel installer for Windows, one per architecture, built by the CMake
; target korvel_installer with Debian's makensis:
;   makensis -DVERSION=0.1.0 -DARCH=x64|x86 -DBUILD=WINDOWS_BUILD_DIR -DOUTFILE=SETUP.exe korvel.nsi
; It installs korvel.exe, the three gfp plug-ins (in "plugins", and copied
; into a viewer's plug-in folder when asked) and the thumbnail provider
; (registered through regsvr32 of its own architecture), and an uninstaller
; that takes away every file and key it added and nothing else.
;
; Silent mode for administrators: /S, /D=FOLDER (last), and
;   /PATH            put the folder on the system PATH
;   /SCR /WAV        thumbnails for .scr (also screen savers) and .wav files
;   /NOTHUMBNAILS    no thumbnails in Explorer
;   /PLUGINS=FOLDER  copy the plug-ins into a viewer's plug-in folder

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh
!include x64.nsh
!include nsDialogs.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\korvel-${ARCH}"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
!define PLUGINS "korvel_hobeta.dll korvel_screens.dll korvel_extra.dll"

Name "korvel ${VERSION} (${ARCH})"
OutFile "${OUTFILE}"
!if ${ARCH} == "x64"
  InstallDir "$PROGRAMFILES64\korvel"
!else
  InstallDir "$PROGRAMFILES32\korvel"
!endif
BrandingText "korvel ${VERSION}"

Var ViewerFolder    ; where the plug-ins are copied as well; empty: nowhere
Var ViewerField

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!if ${ARCH} == "x86"
  !define MUI_WELCOMEPAGE_TEXT "This installs korvel ${VERSION} for 32-bit programs: the command-line converter, \
the ZX Spectrum picture plug-ins for 32-bit image viewers, and thumbnails in 32-bit programs.$\r$\n$\r$\n\
On 64-bit Windows, Explorer is a 64-bit program: for thumbnails in Explorer there, install \
korvel-${VERSION}-setup-x64.exe (both may be installed side by side).$\r$\n$\r$\n$_CLICK"
!else
  !define MUI_WELCOMEPAGE_TEXT "This installs korvel ${VERSION}: thumbnails of ZX Spectrum pictures, tapes, \
snapshots and disk images in Explorer, the command-line converter korvel.exe, and the picture plug-ins for \
64-bit image viewers.$\r$\n$\r$\n$_CLICK"
!endif
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
Page custom ViewerPage ViewerPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; regsvr32 of the installer's architecture on korvel_thumbnails.dll; the
; x64 one lives in the real System32, which a 32-bit installer sees only
; with file system redirection off.
!macro Regsvr32 arguments
  !if ${ARCH} == "x64"
    ${DisableX64FSRedirection}
  !endif
  ExecWait '"$SYSDIR\regsvr32.exe" /s ${arguments} "$INSTDIR\korvel_thumbnails.dll"' $0
  !if ${ARCH} == "x64"
    ${EnableX64FSRedirection}
  !endif
!macroend

Section "korvel" SectionMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BUILD}\korvel.exe"
  File "${BUILD}\korvel_thumbnails.dll"
  SetOutPath "$INSTDIR\plugins"
  File "${BUILD}\korvel_hobeta.dll"
  File "${BUILD}\korvel_screens.dll"
  File "${BUILD}\korvel_extra.dll"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "korvel ${VERSION} (${ARCH})"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "korvel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $ViewerFolder != ""
    ClearErrors
    CopyFiles /SILENT "$INSTDIR\plugins\korvel_hobeta.dll" "$ViewerFolder"
    CopyFiles /SILENT "$INSTDIR\plugins\korvel_screens.dll" "$ViewerFolder"
    CopyFiles /SILENT "$INSTDIR\plugins\korvel_extra.dll" "$ViewerFolder"
    ${If} ${Errors}
      DetailPrint "The plug-ins could not all be copied into $ViewerFolder"
    ${EndIf}
    WriteRegStr HKLM "${UNINSTALL_KEY}" "ViewerPluginFolder" "$ViewerFolder"
  ${EndIf}
SectionEnd

SectionGroup /e "Thumbnails in Explorer" SectionGroupThumbnails
  Section "Tapes, snapshots, disk images and ZX pictures" SectionThumbnails
  SectionEnd
  Section /o ".scr files too (Windows also names screen savers so)" SectionScr
  SectionEnd
  Section /o ".wav files too (sound recordings of tapes)" SectionWav
  SectionEnd
SectionGroupEnd

; The choices above, registered by the DLL itself (DllInstall): every
; extension but .scr and .wav, and those of the two that are ticked.
Section "-Register the thumbnail provider"
  ${IfNot} ${SectionIsSelected} ${SectionThumbnails}
    Return
  ${EndIf}
  StrCpy $1 ""
  ${If} ${SectionIsSelected} ${SectionScr}
    StrCpy $1 "$1scr;"
  ${EndIf}
  ${If} ${SectionIsSelected} ${SectionWav}
    StrCpy $1 "$1wav;"
  ${EndIf}
  ; Recorded first: the uninstaller unregisters even what a failed run left.
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Thumbnails" 1
  !insertmacro Regsvr32 '/n /i:"$1"'
  ${If} $0 != 0
    DetailPrint "regsvr32 could not register the thumbnail provider (status $0)"
    MessageBox MB_ICONEXCLAMATION "Thumbnails in Explorer could not be registered (regsvr32 status $0)." /SD IDOK
  ${EndIf}
SectionEnd

Section /o "Add korvel to the system PATH" SectionPath
  ClearErrors
  ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
  ${If} ${Errors}
    ; Missing, or longer than setup can hold: left as it is.
    DetailPrint "PATH is left alone: setup cannot read it whole"
    MessageBox MB_ICONINFORMATION "The system PATH is longer than setup can change safely; it is left as it is. \
Add $INSTDIR to it yourself to run korvel from any folder." /SD IDOK
    Return
  ${EndIf}
  Push $0
  Push "$INSTDIR"
  Call PathHolds
  Pop $1
  ${If} $1 == 1
    DetailPrint "PATH already holds $INSTDIR"
    Return
  ${EndIf}
  ; A string holds at most NSIS_MAX_STRLEN - 1 characters and is cut
  ; silently past that: the length is counted before the two are joined.
  StrLen $2 $0
  StrLen $3 "$INSTDIR"
  IntOp $2 $2 + $3
  IntOp $2 $2 + 1
  ${If} $2 >= ${NSIS_MAX_STRLEN}
    DetailPrint "PATH is left alone: with $INSTDIR it would pass ${NSIS_MAX_STRLEN} characters"
    MessageBox MB_ICONINFORMATION "With $INSTDIR the system PATH would be longer than setup can write; it is left \
as it is. Add $INSTDIR to it yourself to run korvel from any folder." /SD IDOK
    Return
  ${EndIf}
  StrCpy $2 $0 1 -1
  ${If} $0 == ""
    StrCpy $1 "$INSTDIR"
  ${ElseIf} $2 == ";"
    StrCpy $1 "$0$INSTDIR;"
  ${Else}
    StrCpy $1 "$0;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 1
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionMain} "korvel.exe, the three picture plug-ins and the thumbnail provider."
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionThumbnails} "Explorer shows the first picture of ZX Spectrum files."
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionScr} ".scr files are ZX screens or Windows screen savers."
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionWav} ".wav files are tape recordings or any other sound."
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionPath} "Run korvel from any folder in a command prompt."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Pushed: PATH, an entry. Pops them and pushes 1 when PATH holds the entry
; (entries compared without regard to case), else 0.
Function PathHolds
  Exch $1 ; the entry
  Exch
  Exch $0 ; PATH
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $2 ""  ; the entry being read
  StrCpy $3 0   ; index
  StrCpy $4 0   ; the answer
  ${Do}
    StrCpy $5 $0 1 $3
    ${If} $5 == ";"
    ${OrIf} $5 == ""
      ${If} $2 == $1
        StrCpy $4 1
      ${EndIf}
      StrCpy $2 ""
      ${IfThen} $5 == "" ${|} ${Break} ${|}
    ${Else}
      StrCpy $2 "$2$5"
    ${EndIf}
    IntOp $3 $3 + 1
  ${Loop}
  StrCpy $0 $4
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Exch $0 ; the answer in place of the caller's $0
  Exch
  Pop $1
FunctionEnd

Function .onInit
  !if ${ARCH} == "x64"
    ${IfNot} ${RunningX64}
      MessageBox MB_ICONSTOP "This is the installer for 64-bit Windows; use korvel-${VERSION}-setup-x86.exe." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    SetRegView 64
  !endif
  StrCpy $ViewerFolder ""
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PATH" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionPath}
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/SCR" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionScr}
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/WAV" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionWav}
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/NOTHUMBNAILS" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SectionThumbnails}
    !insertmacro UnselectSection ${SectionScr}
    !insertmacro UnselectSection ${SectionWav}
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/PLUGINS=" $1
  ${IfNot} ${Errors}
    StrCpy $ViewerFolder $1
  ${EndIf}
FunctionEnd

; .scr and .wav only go with the thumbnails.
Function .onSelChange
  ${IfNot} ${SectionIsSelected} ${SectionThumbnails}
    !insertmacro UnselectSection ${SectionScr}
    !insertmacro UnselectSection ${SectionWav}
  ${EndIf}
FunctionEnd

; The page that copies the plug-ins into a viewer's plug-in folder as well.
Function ViewerPage
  !insertmacro MUI_HEADER_TEXT "Picture plug-ins for an image viewer" \
    "Copy korvel's plug-ins into your viewer's plug-in folder"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 60u "The three picture plug-ins (korvel_extra.dll reads every form; korvel_hobeta.dll \
and korvel_screens.dll only their older subsets) go into $INSTDIR\plugins. An image viewer that loads such plug-ins \
keeps them in a folder of its own: name it here and setup copies them there too, and the uninstaller removes \
those copies. A 64-bit viewer needs the x64 plug-ins, a 32-bit one the x86 ones. Leave the field empty to skip."
  Pop $0
  ${NSD_CreateDirRequest} 0 64u 82% 12u "$ViewerFolder"
  Pop $ViewerField
  ${NSD_CreateBrowseButton} 84% 63u 16% 14u "Browse..."
  Pop $0
  ${NSD_OnClick} $0 ViewerBrowse
  nsDialogs::Show
FunctionEnd

Function ViewerBrowse
  ${NSD_GetText} $ViewerField $0
  nsDialogs::SelectFolderDialog "The viewer's plug-in folder" "$0"
  Pop $0
  ${If} $0 != error
    ${NSD_SetText} $ViewerField "$0"
  ${EndIf}
FunctionEnd

Function ViewerPageLeave
  ${NSD_GetText} $ViewerField $ViewerFolder
  ${If} $ViewerFolder != ""
  ${AndIfNot} ${FileExists} "$ViewerFolder\*.*"
    MessageBox MB_ICONEXCLAMATION "There is no folder $ViewerFolder." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  !if ${ARCH} == "x64"
    SetRegView 64
  !endif
FunctionEnd

Section "Uninstall"
  ; The thumbnail provider's keys, by the DLL itself: only what names its class.
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "Thumbnails"
  ${If} $0 == 1
    !insertmacro Regsvr32 "/u"
  ${EndIf}

  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "ViewerPluginFolder"
  ${If} $0 != ""
    Delete "$0\korvel_hobeta.dll"
    Delete "$0\korvel_screens.dll"
    Delete "$0\korvel_extra.dll"
  ${EndIf}

  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "AddedToPath"
  ${If} $0 == 1
    Call un.RemoveFromPath
  ${EndIf}

  Delete "$INSTDIR\korvel.exe"
  Delete /REBOOTOK "$INSTDIR\korvel_thumbnails.dll"
  Delete "$INSTDIR\plugins\korvel_hobeta.dll"
  Delete "$INSTDIR\plugins\korvel_screens.dll"
  Delete "$INSTDIR\plugins\korvel_extra.dll"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR\plugins"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; This runs as NSIS's copy of the uninstaller in a temporary folder, which
  ; NSIS has Windows delete at the next start, the folder before the file
  ; in it: named once more, the folder goes too.
  ${If} "$EXEDIR" != "$INSTDIR"
    System::Call 'kernel32::MoveFileExW(w "$EXEDIR", p 0, i 4)'
  ${EndIf}
SectionEnd

; Takes the entry $INSTDIR out of the system PATH, keeping every other entry
; and separator as it is.
Function un.RemoveFromPath
  ClearErrors
  ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
  ${If} ${Errors}
    DetailPrint "PATH is left alone: the uninstaller cannot read it whole"
    Return
  ${EndIf}
  StrCpy $1 ""  ; the new PATH
  StrCpy $2 ""  ; the entry being read
  StrCpy $3 0   ; index
  StrCpy $4 0   ; entries kept
  ${Do}
    StrCpy $5 $0 1 $3
    ${If} $5 == ";"
    ${OrIf} $5 == ""
      ${If} $2 != "$INSTDIR"
        ${If} $4 > 0
          StrCpy $1 "$1;"
        ${EndIf}
        StrCpy $1 "$1$2"
        IntOp $4 $4 + 1
      ${EndIf}
      StrCpy $2 ""
      ${IfThen} $5 == "" ${|} ${Break} ${|}
    ${Else}
      StrCpy $2 "$2$5"
    ${EndIf}
    IntOp $3 $3 + 1
  ${Loop}
  WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $1
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
FunctionEnd
