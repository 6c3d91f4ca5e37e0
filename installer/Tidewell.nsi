; Tidewell's setup program. tools/package.sh builds it with makensis (which works
; in this folder: paths given to it must be absolute):
;
;   makensis -DEXE_X64=<64-bit Tidewell.exe> -DEXE_X86=<32-bit Tidewell.exe>
;            -DGUIDE=<folder with index.html and images/> -DOUTFILE=<setup.exe>
;            [-DSTUB64] installer/Tidewell.nsi
;
; The setup program itself is 32-bit, so it starts on every Windows; it carries
; both builds and installs the 64-bit one on 64-bit Windows. STUB64 makes a
; 64-bit setup program from the same script, for machines whose Wine runs only
; 64-bit programs (the installer test builds it that way there).
;
; Silent use: Tidewell-Setup-<version>.exe /S [/D=<folder>], Uninstall.exe /S.

!ifdef STUB64
  Target amd64-unicode
  ; x64.nsh knows a 64-bit setup runs on 64-bit Windows, leaving LogicLib labels unused.
  !pragma warning disable 6012
!else
  Unicode true
!endif

!macro REQUIRE_DEFINE name
  !ifndef ${name}
    !error "${name} is not defined (see the top of this file)"
  !endif
!macroend
!insertmacro REQUIRE_DEFINE EXE_X64
!insertmacro REQUIRE_DEFINE EXE_X86
!insertmacro REQUIRE_DEFINE GUIDE
!insertmacro REQUIRE_DEFINE OUTFILE

; The version comes from the same header as the program's version resource.
!searchparse /file "../res/version.h" "#define TIDEWELL_VERSION_MAJOR " V_MAJOR
!searchparse /file "../res/version.h" "#define TIDEWELL_VERSION_MINOR " V_MINOR
!searchparse /file "../res/version.h" "#define TIDEWELL_VERSION_PATCH " V_PATCH
!searchparse /file "../res/version.h" "#define TIDEWELL_VERSION_BUILD " V_BUILD
!define VERSION "${V_MAJOR}.${V_MINOR}.${V_PATCH}.${V_BUILD}"

!define PRODUCT "Tidewell"
!define PUBLISHER "Venterly"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tidewell"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Venterly-Tidewell"
; The product label of Tidewell's main window (a dialog that stays hidden after
; the intro); it holds the product name.
!define MAIN_PRODUCT_LABEL 1053

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include WinMessages.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "../res/Tidewell.ico"
!define MUI_UNICON "../res/Tidewell.ico"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This will install ${PRODUCT} ${VERSION}, a mail notifier that lives in the \
  notification area and tells you when mail is waiting in your POP3 mailboxes.$\r$\n$\r$\n\
  If ${PRODUCT} is running, Setup closes it first. Your accounts and settings are kept.$\r$\n$\r$\n$_CLICK"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Tidewell now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartTidewell
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Read the user guide"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION ShowGuide

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Finds and closes a running Tidewell, for the installer (prefix "") and the
; uninstaller (prefix "un."): its files cannot be replaced or removed while it
; runs. Tidewell ends cleanly on WM_CLOSE to its main window, as on "Exit".
!macro TIDEWELL_CLOSING prefix
  ; $R0 := the main window of a running Tidewell, or 0: a top-level dialog with
  ; no owner whose product label reads the product name (Tidewell's other
  ; dialogs that show the name are owned by the main window).
  Function ${prefix}FindTidewell
    StrCpy $R0 0
    ${Do}
      FindWindow $R0 "#32770" "" "" $R0
      ${If} $R0 = 0
        ${Break}
      ${EndIf}
      GetDlgItem $R1 $R0 ${MAIN_PRODUCT_LABEL}
      ${If} $R1 <> 0
        System::Call "user32::GetWindow(p R0, i 4) p .R2"
        System::Call "user32::GetWindowTextW(p R1, w .R3, i ${NSIS_MAX_STRLEN})"
        ${If} $R2 = 0
        ${AndIf} $R3 == "${PRODUCT}"
          ${Break}
        ${EndIf}
      ${EndIf}
    ${Loop}
  FunctionEnd

  Function ${prefix}CloseTidewell
    Push $R0
    Push $R1
    Push $R2
    Push $R3
    Push $R4
    Push $R5
    ${Do}
      Call ${prefix}FindTidewell
      ${If} $R0 = 0
        ${Break}
      ${EndIf}
      DetailPrint "Closing the running ${PRODUCT}..."
      ; Its process, so that we can wait until the program file is free.
      System::Call "user32::GetWindowThreadProcessId(p R0, *i .R4)"
      System::Call "kernel32::OpenProcess(i 0x00100000, i 0, i R4) p .R5"
      SendMessage $R0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
      ${If} $R5 <> 0
        System::Call "kernel32::WaitForSingleObject(p R5, i 15000) i .R4"
        System::Call "kernel32::CloseHandle(p R5)"
      ${Else}
        ; Without a handle to wait on: until the window has gone.
        ${For} $R4 1 75
          System::Call "user32::IsWindow(p R0) i .R3"
          ${IfThen} $R3 = 0 ${|} ${Break} ${|}
          Sleep 200
        ${Next}
        Sleep 1000
        StrCpy $R4 $R3
      ${EndIf}
      ; Anything but WAIT_OBJECT_0 (0), or a window still there: it is still running.
      ${If} $R4 <> 0
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
          "${PRODUCT} is still running.$\r$\n$\r$\nChoose Exit in its menu (right-click its icon in the \
          notification area), then press Retry." /SD IDCANCEL IDRETRY retry
        SetErrorLevel 2
        Quit
        retry:
      ${EndIf}
    ${Loop}
    Pop $R5
    Pop $R4
    Pop $R3
    Pop $R2
    Pop $R1
    Pop $R0
  FunctionEnd
!macroend
!insertmacro TIDEWELL_CLOSING ""
!insertmacro TIDEWELL_CLOSING "un."

; Opens the file (a program or a document) as the signed-in user: setup runs
; with administrator rights, possibly another account's, and Tidewell's accounts
; and settings belong to the user who runs it. The desktop's explorer opens it
; on setup's behalf; under Wine, whose explorer opens no files and which has no
; such split, setup opens it itself.
Function OpenAsUser
  Exch $0
  Push $1
  ClearErrors
  EnumRegKey $1 HKLM "Software\Wine" 0
  ${If} ${Errors}
    Exec '"$WINDIR\explorer.exe" "$0"'
  ${Else}
    ExecShell "open" "$0"
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

Function StartTidewell
  Push "$INSTDIR\Tidewell.exe"
  Call OpenAsUser
FunctionEnd

Function ShowGuide
  Push "$INSTDIR\index.html"
  Call OpenAsUser
FunctionEnd

Function .onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ; No /D= given: where an earlier version went, else Program Files.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Tidewell"
  SectionIn RO
  Call CloseTidewell

  SetOutPath "$INSTDIR"
  ; Both builds are in the setup program; only the one that suits this Windows is written.
  ${If} ${RunningX64}
    File "/oname=Tidewell.exe" "${EXE_X64}"
  ${Else}
    File "/oname=Tidewell.exe" "${EXE_X86}"
  ${EndIf}
  ; The About box's "User Guide" opens index.html beside the program.
  File "/oname=index.html" "${GUIDE}/index.html"
  SetOutPath "$INSTDIR\images"
  File "${GUIDE}/images/*.png"
  SetOutPath "$INSTDIR"

  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Tidewell.exe" "" "$INSTDIR\Tidewell.exe" 0 \
    SW_SHOWNORMAL "" "Mail notifier for POP3 mailboxes"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tidewell.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "http://www.venterly.example"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

; Accounts and settings (HKCU\Software\Venterly\Tidewell) stay for a later install.
Section "Uninstall"
  Call un.CloseTidewell

  Delete "$INSTDIR\Tidewell.exe"
  Delete "$INSTDIR\index.html"
  Delete "$INSTDIR\images\*.png"
  RMDir "$INSTDIR\images"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
SectionEnd
