; The trainer's installer: per user, no administrator rights. It installs the program folder,
; registers both COM servers (they register for the current user when the machine's classes are
; not writable), adds a Start-menu shortcut and an uninstaller that undoes all of it.
!macro Required NAME
  !ifndef ${NAME}
    !error "makensis -DTARGET=x86-unicode|amd64-unicode -DVERSION=x.y.z -DSOURCE=<install folder> -DOUTFILE=<setup.exe> Marvane.nsi"
  !endif
!macroend
!insertmacro Required SOURCE
!insertmacro Required OUTFILE
!insertmacro Required TARGET
!insertmacro Required VERSION
; The installer is built for the architecture of the binaries it carries: RegDLL loads each
; server into the installer's own process.
Target ${TARGET}
!define PRODUCT "舒尔特表"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LernovaSchulte"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
!define DEFAULT_DIR "$LOCALAPPDATA\Programs\Lernova\Schulte"
InstallDir "${DEFAULT_DIR}"
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
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
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
  ; In the default place, the maker's folder and the user's program folder go too when the
  ; install made them (RMDir without /r keeps a folder that holds anything). A folder the user
  ; chose is never climbed out of: its parent may be anything, the desktop included.
  StrCmp "$INSTDIR" "${DEFAULT_DIR}" 0 +3
    RMDir "$LOCALAPPDATA\Programs\Lernova"
    RMDir "$LOCALAPPDATA\Programs"
  DeleteRegKey HKCU "${UNINST_KEY}"
  ; Made by the install when this user had no uninstall entries before; removed only if empty.
  DeleteRegKey /ifempty HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall"
SectionEnd
