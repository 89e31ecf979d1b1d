; The game's installer, for one user and no administrator rights: the staged
; directory into %LOCALAPPDATA%\Programs\Fiends, a Start menu entry, and an
; entry in Apps & features with an uninstaller that removes exactly what was
; installed (a file the player added stays, and so does its directory).
; scripts/package.sh --windows runs makensis with:
;   VERSION   the game's version
;   FILES     an include of SetOutPath/File lines, every staged file
;   UNFILES   an include of Delete/RMDir lines, the same files, deepest first
;   STAGE     the staged directory (its LICENSE.txt is shown)
;   SIZE_KB   its size, for Apps & features
;   OUTFILE   the installer to write
; /S installs, and uninstalls, silently.
Unicode true
; 64-bit stubs: the game is 64-bit, and so is every Windows it runs on.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Fiends"

Name "Fiends"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Fiends"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Fiends ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!include "MUI2.nsh"
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\fiends.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Fiends"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Fiends installer"
VIAddVersionKey "LegalCopyright" "The Fiends developers"

Section "Fiends"
  SetShellVarContext current
  !include "${FILES}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Fiends.lnk" "$INSTDIR\fiends.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Fiends"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Fiends developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\fiends.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Fiends.lnk"
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; What the install made on the way there, were it the first: gone while empty.
  RMDir "$LOCALAPPDATA\Programs"
  DeleteRegKey /ifempty HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall"
SectionEnd
