; kelvrin's installer for Windows (NSIS 3, Modern UI 2, in Portuguese).
;
; It installs for the user who runs it, without administrator rights, into
; %LOCALAPPDATA%\Programs\kelvrin: kelvrin-cli.exe, kelvrin.exe when the build
; has it, the grid files beside them, PROJ (its DLL, proj.db and their
; licences) when the build has it, the licence, the grids' credit, the user's
; guide (README.txt) and the example drawing of its first conversion
; (exemplos\planta_tm06.dxf). With kelvrin.exe it also makes a Start-menu entry and offers the
; window under "Abrir com" for .dxf drawings: a ProgID of its own and a value
; under .dxf\OpenWithProgids, never the default of .dxf, which belongs to the
; user's CAD program. The installed-apps list gets an entry; the uninstaller
; takes away every file, folder, shortcut, key and value the installer made.
; /S installs (and desinstalar.exe /S uninstalls) silently; /D=FOLDER, last on
; the command line, installs elsewhere.
;
; tools/windows_installer.sh runs it:
;   makensis -INPUTCHARSET UTF8 -DVERSION=0.1.0 -DSTAGE=FOLDER -DOUTFILE=FILE
;            [-DWITH_WINDOW] [-DPROJ_DLL=libproj_9_1.dll] [-DICON=kelvrin.ico]
;            windows_installer.nsi
; STAGE holds the files to install, named as installed; WITH_WINDOW says that
; kelvrin.exe is among them, PROJ_DLL that PROJ is, with proj.db and PROJ.txt.

!ifndef VERSION
  !error "-DVERSION=... missing"
!endif
!ifndef STAGE
  !error "-DSTAGE=... missing"
!endif
!ifndef OUTFILE
  !error "-DOUTFILE=... missing"
!endif

; DeleteRegKey /ifempty must look at values as well as subkeys (3.06).
!if ${NSIS_PACKEDVERSION} < 0x03006000
  !error "NSIS 3.06 or later is needed"
!endif

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define PRODUCT kelvrin
!define PUBLISHER "The kelvrin developers"
!define UNINSTALLER desinstalar.exe
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define CLASSES "Software\Classes"
!define PROGID kelvrin.dxf
!define SHORTCUT "$SMPROGRAMS\kelvrin.lnk"
; SHChangeNotify's SHCNE_ASSOCCHANGED: Explorer rereads the associations.
!define SHCNE_ASSOCCHANGED 0x08000000

Name "kelvrin ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; A new version goes where the last one went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "kelvrin ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

; The programs' own icon (app/windows/kelvrin.ico) on the installer and the
; uninstaller.
!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "$(WELCOME_TEXT)"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!ifdef WITH_WINDOW
  !define MUI_FINISHPAGE_RUN "$INSTDIR\kelvrin.exe"
  !define MUI_FINISHPAGE_RUN_TEXT "$(RUN_TEXT)"
!endif
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(README_TEXT)"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Portuguese"

!ifdef WITH_WINDOW
  LangString WELCOME_TEXT ${LANG_PORTUGUESE} "O kelvrin muda o sistema de referência de desenhos DXF entre os sistemas nacionais de Portugal continental, dos Açores e da Madeira.$\r$\n$\r$\nSerão instalados a janela (kelvrin), a linha de comandos (kelvrin-cli) e as grelhas do Datum Lisboa, para o utilizador atual e sem direitos de administrador. A janela fica no menu Iniciar e em $\"Abrir com$\" dos desenhos DXF, sem mudar o programa que os abre.$\r$\n$\r$\n$_CLICK"
!else
  LangString WELCOME_TEXT ${LANG_PORTUGUESE} "O kelvrin muda o sistema de referência de desenhos DXF entre os sistemas nacionais de Portugal continental, dos Açores e da Madeira.$\r$\n$\r$\nSerão instalados a linha de comandos (kelvrin-cli) e as grelhas do Datum Lisboa, para o utilizador atual e sem direitos de administrador.$\r$\n$\r$\n$_CLICK"
!endif
LangString RUN_TEXT ${LANG_PORTUGUESE} "Abrir o kelvrin"
LangString README_TEXT ${LANG_PORTUGUESE} "Ler o guia do utilizador"
LangString SHORTCUT_TEXT ${LANG_PORTUGUESE} "Conversão de desenhos DXF entre sistemas de referência"
LangString DXF_TYPE ${LANG_PORTUGUESE} "Desenho DXF"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_PORTUGUESE} "ProductName" "kelvrin"
VIAddVersionKey /LANG=${LANG_PORTUGUESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_PORTUGUESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_PORTUGUESE} "FileDescription" "Instalação do kelvrin ${VERSION}"
VIAddVersionKey /LANG=${LANG_PORTUGUESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_PORTUGUESE} "LegalCopyright" "Licença MIT; grelhas CC BY 4.0"

; The files of an installation, kelvrin.exe apart, each handed to the macro
; named.
!macro KELVRIN_FILES action
  !insertmacro ${action} "kelvrin-cli.exe"
  !insertmacro ${action} "et_lx_m.asc"
  !insertmacro ${action} "et_lx_p.asc"
  !insertmacro ${action} "lx_et_m.asc"
  !insertmacro ${action} "lx_et_p.asc"
  !insertmacro ${action} "D73_ETRS89_geo.gsb"
  !insertmacro ${action} "DLX_ETRS89_geo.gsb"
  !insertmacro ${action} "LICENSE.txt"
  !insertmacro ${action} "grids.txt"
  !insertmacro ${action} "README.txt"
!macroend
!macro INSTALL_FILE name
  File "${STAGE}\${name}"
!macroend
!macro REMOVE_FILE name
  Delete "$INSTDIR\${name}"
!macroend

; Takes away kelvrin.exe, its Start-menu entry and its place under "Abrir
; com": the uninstaller always, the installer of a build without the window
; when an earlier installation had it. A value under .dxf\OpenWithProgids of
; another program, and the default of .dxf, stay.
!macro REMOVE_WINDOW un
  Function ${un}RemoveWindow
    Delete "$INSTDIR\kelvrin.exe"
    Delete "${SHORTCUT}"
    DeleteRegKey HKCU "${CLASSES}\${PROGID}"
    DeleteRegKey HKCU "${CLASSES}\Applications\kelvrin.exe"
    DeleteRegValue HKCU "${CLASSES}\.dxf\OpenWithProgids" "${PROGID}"
    ; Each only when it holds neither values nor subkeys (one the installer
    ; made and has emptied again).
    DeleteRegKey /ifempty HKCU "${CLASSES}\.dxf\OpenWithProgids"
    DeleteRegKey /ifempty HKCU "${CLASSES}\.dxf"
    DeleteRegKey /ifempty HKCU "${CLASSES}\Applications"
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
  FunctionEnd
!macroend
!ifndef WITH_WINDOW
  !insertmacro REMOVE_WINDOW ""
!endif
!insertmacro REMOVE_WINDOW "un."

Section
  SetOutPath "$INSTDIR\exemplos"
  File "${STAGE}\exemplos\planta_tm06.dxf"
  SetOutPath "$INSTDIR"
  !insertmacro KELVRIN_FILES INSTALL_FILE
  ; PROJ's DLL is named after its version: an earlier one goes first.
  Delete "$INSTDIR\libproj_*.dll"
!ifdef PROJ_DLL
  File "${STAGE}\${PROJ_DLL}"
  File "${STAGE}\proj.db"
  File "${STAGE}\PROJ.txt"
!else
  Delete "$INSTDIR\proj.db"
  Delete "$INSTDIR\PROJ.txt"
!endif
!ifdef WITH_WINDOW
  File "${STAGE}\kelvrin.exe"
  CreateShortCut "${SHORTCUT}" "$INSTDIR\kelvrin.exe" "" "$INSTDIR\kelvrin.exe" 0 \
                 SW_SHOWNORMAL "" "$(SHORTCUT_TEXT)"
  ; "Abrir com" for .dxf: the ProgID, and the program under Applications with
  ; the name the list shows.
  WriteRegStr HKCU "${CLASSES}\${PROGID}" "" "$(DXF_TYPE)"
  WriteRegStr HKCU "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\kelvrin.exe,0"
  WriteRegStr HKCU "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\kelvrin.exe" "%1"'
  WriteRegNone HKCU "${CLASSES}\.dxf\OpenWithProgids" "${PROGID}"
  WriteRegStr HKCU "${CLASSES}\Applications\kelvrin.exe" "FriendlyAppName" "kelvrin"
  WriteRegStr HKCU "${CLASSES}\Applications\kelvrin.exe\SupportedTypes" ".dxf" ""
  WriteRegStr HKCU "${CLASSES}\Applications\kelvrin.exe\shell\open\command" "" \
              '"$INSTDIR\kelvrin.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
!else
  Call RemoveWindow
!endif

  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "kelvrin"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
!ifdef WITH_WINDOW
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kelvrin.exe,0"
!else
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kelvrin-cli.exe,0"
!endif
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  Call un.RemoveWindow
  !insertmacro KELVRIN_FILES REMOVE_FILE
  Delete "$INSTDIR\libproj_*.dll"
  Delete "$INSTDIR\proj.db"
  Delete "$INSTDIR\PROJ.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "$INSTDIR\exemplos\planta_tm06.dxf"
  RMDir "$INSTDIR\exemplos"
  ; Only when empty: a folder the user chose may hold files of their own.
  RMDir "$INSTDIR"
  ; The folder of per-user programs, when the installer made it and nothing
  ; else is in it.
  ${If} "$INSTDIR" == "$LOCALAPPDATA\Programs\${PRODUCT}"
    RMDir "$LOCALAPPDATA\Programs"
  ${EndIf}
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
