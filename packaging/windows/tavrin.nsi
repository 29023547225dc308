; The Windows installer of Tavrin.exe and TavrinView.exe, built by makensis
; (cmake/windows_installer.cmake defines VERSION, the programs' paths and
; OUTPUT). It installs for the user alone, without administrator rights,
; into %LOCALAPPDATA%\Programs\Tavrin, with Start-menu shortcuts, an
; uninstaller and "Open with TavrinView" for memo files.
; The programs are 64-bit, and so is the installer: a 32-bit one would need
; the 32-bit side of Windows (WoW64) only to install them.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

Name "Tavrin"
OutFile "${OUTPUT}"
InstallDir "$LOCALAPPDATA\Programs\Tavrin"
InstallDirRegKey HKCU "Software\Tavrin" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Tavrin"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Tavrin ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "The Tavrin developers, MIT License"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrin"
; Memo files are ".dat" files, a name many programs use: TavrinView is offered
; among the programs that open them, never made the one that does.
!define PROGID "Tavrin.Memos"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Tavrin"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${TAVRIN_EXE}"
  File "${TAVRINVIEW_EXE}"
  File "${ALARM_SOUND}"
  ; Tavrin.exe finds this beside itself and keeps its memos in
  ; %LOCALAPPDATA%\Tavrin\Tavrin.dat rather than in the programs folder.
  FileOpen $0 "$INSTDIR\Tavrin.installed" w
  FileWrite $0 "This Tavrin was installed: it keeps its memos in %LOCALAPPDATA%\Tavrin\Tavrin.dat.$\r$\n"
  FileClose $0
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Tavrin"
  CreateShortcut "$SMPROGRAMS\Tavrin\Tavrin.lnk" "$INSTDIR\Tavrin.exe"
  CreateShortcut "$SMPROGRAMS\Tavrin\TavrinView.lnk" "$INSTDIR\TavrinView.exe"
  CreateShortcut "$SMPROGRAMS\Tavrin\Uninstall Tavrin.lnk" "$INSTDIR\Uninstall.exe"

  ; TavrinView takes the rest of its command line as the path, spaces
  ; included, and quotes as part of the name: %1 goes unquoted.
  WriteRegStr HKCU "Software\Classes\${PROGID}" "" "Tavrin memos"
  WriteRegStr HKCU "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\TavrinView.exe,0"
  WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open" "FriendlyAppName" "TavrinView"
  WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\TavrinView.exe" %1'
  WriteRegStr HKCU "Software\Classes\.dat\OpenWithProgids" "${PROGID}" ""

  WriteRegStr HKCU "Software\Tavrin" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tavrin"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Tavrin developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tavrin.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The memos in %LOCALAPPDATA%\Tavrin stay: they are the user's, not the program's.
Section "Uninstall"
  SetShellVarContext current
  Delete "$INSTDIR\Tavrin.exe"
  Delete "$INSTDIR\TavrinView.exe"
  Delete "$INSTDIR\Alarm2.wav"
  Delete "$INSTDIR\Tavrin.installed"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tavrin\Tavrin.lnk"
  Delete "$SMPROGRAMS\Tavrin\TavrinView.lnk"
  Delete "$SMPROGRAMS\Tavrin\Uninstall Tavrin.lnk"
  RMDir "$SMPROGRAMS\Tavrin"
  DeleteRegValue HKCU "Software\Classes\.dat\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty HKCU "Software\Classes\.dat\OpenWithProgids"
  DeleteRegKey /ifempty HKCU "Software\Classes\.dat"
  DeleteRegKey HKCU "Software\Classes\${PROGID}"
  DeleteRegKey HKCU "Software\Tavrin"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
