; The Tarnquill installer: a per-user install that needs no administrator rights, a Start
; menu shortcut, an uninstaller listed in the user's installed programs, and a silent mode
; (/S) for fleet roll-out. tools/package runs makensis with the version and the files.
;
;   makensis -DVERSION=2.4.3 -DSOURCE=<folder with the files> -DICON=<icon> -DOUTPUT=<installer.exe>
;            tarnquill.nsi

Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef SOURCE
  !error "SOURCE is not defined"
!endif
!ifndef ICON
  !error "ICON is not defined"
!endif
!ifndef OUTPUT
  !error "OUTPUT is not defined"
!endif

!define PRODUCT "Tarnquill"
!define PUBLISHER "Velmora Instruments Ltd"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnquill"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTPUT}"
InstallDir "$LOCALAPPDATA\Programs\Tarnquill"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"
ShowInstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "FileVersion" "${VERSION}.0"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) ${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Tarnquill"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${SOURCE}\tarnquill.exe"
  File "${SOURCE}\tarnquill-cli.exe"
  File "${SOURCE}\README.txt"
  File "${SOURCE}\user-guide.html"
  File "${SOURCE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Tarnquill"
  CreateShortcut "$SMPROGRAMS\Tarnquill\Tarnquill.lnk" "$INSTDIR\tarnquill.exe"
  CreateShortcut "$SMPROGRAMS\Tarnquill\Tarnquill user guide.lnk" "$INSTDIR\user-guide.html"
  ; Collects from the port the program last connected to, into the user's archive.
  CreateShortcut "$SMPROGRAMS\Tarnquill\Collect sample log.lnk" "$INSTDIR\tarnquill-cli.exe" \
    "collect --pause"

  ; Listed in the user's installed programs.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarnquill.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what the installer put there. The operator's settings (the last port, motor and
; run values under HKCU\SOFTWARE\Velmora\KASP\TARNQUILL) stay, for a later install.
Section "Uninstall"
  SetShellVarContext current
  Delete "$INSTDIR\tarnquill.exe"
  Delete "$INSTDIR\tarnquill-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\user-guide.html"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tarnquill\Tarnquill.lnk"
  Delete "$SMPROGRAMS\Tarnquill\Tarnquill user guide.lnk"
  Delete "$SMPROGRAMS\Tarnquill\Collect sample log.lnk"
  RMDir "$SMPROGRAMS\Tarnquill"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
