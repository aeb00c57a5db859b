; The trainer's installer: per user, no administrator rights. It installs the program folder,
; registers both COM servers (they register for the current user when the machine's classes are
; not writable), adds a Start-menu shortcut and an uninstaller that undoes all of it.
Unicode true
!ifndef SOURCE
  !error "makensis -DSOURCE=<install folder> -DOUTFILE=<setup.exe> Marvane.nsi"
!endif
!define PRODUCT "舒尔特表"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LernovaSchulte"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Lernova\Schulte"
SetCompressor /SOLID lzma
ShowInstDetails nevershow

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  SetOutPath "$INSTDIR"
  File "${SOURCE}\Marvane.exe"
  File "${SOURCE}\Ambrel.dll"
  File "${SOURCE}\Quorvel.dll"
  SetOutPath "$INSTDIR\Sound"
  File "${SOURCE}\Sound\right.wav"
  File "${SOURCE}\Sound\wrong.wav"
  File "${SOURCE}\Sound\pop.wav"
  SetOutPath "$INSTDIR\Help"
  File "${SOURCE}\Help\m07.html"
  SetOutPath "$INSTDIR"
  RegDLL "$INSTDIR\Ambrel.dll"
  RegDLL "$INSTDIR\Quorvel.dll"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Marvane.exe"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Marvane.exe"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "Lernova"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "1.0.0"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  UnRegDLL "$INSTDIR\Quorvel.dll"
  UnRegDLL "$INSTDIR\Ambrel.dll"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\Sound\right.wav"
  Delete "$INSTDIR\Sound\wrong.wav"
  Delete "$INSTDIR\Sound\pop.wav"
  RMDir "$INSTDIR\Sound"
  Delete "$INSTDIR\Help\m07.html"
  RMDir "$INSTDIR\Help"
  Delete "$INSTDIR\Marvane.exe"
  Delete "$INSTDIR\Ambrel.dll"
  Delete "$INSTDIR\Quorvel.dll"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
