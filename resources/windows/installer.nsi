; The installer of the editor for Windows: the program folder into Program Files, a Start menu
; entry, an uninstaller, and test files (.kvx, .rsq) opening in the editor.
; makensis -INPUTCHARSET UTF8 -DVERSION=x.y.z -DSOURCE=<program folder> -DOUTFILE=<setup.exe>
; A 64-bit installer, as the program is.
Target amd64-unicode

!define PRODUCT "Редактор KVX"
!define PROGID "KVX.Test"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KVX_Edit"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\KVX_Edit"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
Icon "${ICON}"
UninstallIcon "${ICON}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка: ${PRODUCT}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "(c) KVX"

!include "MUI2.nsh"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

; For every user of the machine: the registry's 64-bit view, the common Start menu.
Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Program"
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\KVX_Edit.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Руководство пользователя.lnk" "$INSTDIR\KVX_Edit.chm"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Удалить ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  ; Test files open in the editor (the texts of the Linux desktop entry and MIME type).
  WriteRegStr HKCR ".kvx" "" "${PROGID}"
  WriteRegStr HKCR ".kvx" "Content Type" "application/x-kvx-test"
  WriteRegStr HKCR ".rsq" "" "${PROGID}"
  WriteRegStr HKCR ".rsq" "Content Type" "application/x-kvx-test"
  WriteRegStr HKCR "${PROGID}" "" "Тест микросхемы KVX"
  WriteRegStr HKCR "${PROGID}\DefaultIcon" "" "$INSTDIR\KVX_Edit.exe,0"
  WriteRegStr HKCR "${PROGID}\shell\open\command" "" '"$INSTDIR\KVX_Edit.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "KVX"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\KVX_Edit.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; The association goes only while it is still the editor's.
  ReadRegStr $0 HKCR ".kvx" ""
  StrCmp $0 "${PROGID}" 0 +2
    DeleteRegKey HKCR ".kvx"
  ReadRegStr $0 HKCR ".rsq" ""
  StrCmp $0 "${PROGID}" 0 +2
    DeleteRegKey HKCR ".rsq"
  DeleteRegKey HKCR "${PROGID}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  RMDir /r "$SMPROGRAMS\${PRODUCT}"
  ; The program's files and what it wrote beside itself (the placement of its windows); tests
  ; the user left in the folder stay, and with them the folder.
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\imageformats"
  RMDir /r "$INSTDIR\translations"
  RMDir /r "$INSTDIR\examples"
  Delete "$INSTDIR\*.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\*.chm"
  Delete "$INSTDIR\*.html"
  Delete "$INSTDIR\*.png"
  Delete "$INSTDIR\qt.conf"
  Delete "$INSTDIR\KVX_Edit.ini"
  ; A folder that is the working folder cannot go.
  SetOutPath "$TEMP"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
