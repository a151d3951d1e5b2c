; The Corvanta installer, Corvanta_setup.exe. CMake runs makensis on this
; script after the programs are built and hands it, with -D:
;   VERSION   the project version (1.3.0)
;   GUI_EXE   the built corvanta.exe
;   CLI_EXE   the built corvanta-cli.exe
;   OUTFILE   where Corvanta_setup.exe goes
;   WIN64     defined for the x86_64 build: 64-bit program folder and registry view
; Plain NSIS only (LogicLib, FileFunc, x64): no plugin outside the stock set.
;
; Command line: /S (silent), /D=folder (install folder, last), and the file
; name of a running program in double quotes, "corvanta.exe", as the update
; passes it: the installer then waits for that program to end before it
; replaces the files. Any other parameter is ignored.

!ifndef VERSION | GUI_EXE | CLI_EXE | OUTFILE
  !error "makensis needs -DVERSION, -DGUI_EXE, -DCLI_EXE and -DOUTFILE"
!endif

; ANSI, like the programs: runs on every Windows they run on.
Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

!define PRODUCT "Corvanta"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvanta"
!define STARTMENU_FOLDER "$SMPROGRAMS\Corvanta"
; Half-second tries for about 60 seconds.
!define WAIT_TRIES 120

!ifdef WIN64
  !define DEFAULT_DIR "$PROGRAMFILES64\Corvanta"
!else
  !define DEFAULT_DIR "$PROGRAMFILES\Corvanta"
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${DEFAULT_DIR}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PRODUCT}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The program file name the update passed, "" when none was given.
Var ProgramName

; Sets ProgramName from the first parameter that is a plain file name ending
; in ".exe" (no switch, no folder); every other parameter is left to NSIS or
; ignored.
Function FindProgramName
  StrCpy $ProgramName ""
  ${GetParameters} $R0
  ${Do}
    ; Skip blanks, then take one token, quoted or not.
    ${Do}
      StrCpy $R1 $R0 1
      ${IfThen} $R1 != " " ${|} ${ExitDo} ${|}
      StrCpy $R0 $R0 "" 1
    ${Loop}
    ${IfThen} $R0 == "" ${|} ${ExitDo} ${|}
    StrCpy $R2 " "
    ${If} $R1 == '"'
      StrCpy $R2 '"'
      StrCpy $R0 $R0 "" 1
    ${EndIf}
    StrCpy $R3 0
    ${Do}
      StrCpy $R1 $R0 1 $R3
      ${IfThen} $R1 == "" ${|} ${ExitDo} ${|}
      ${IfThen} $R1 == $R2 ${|} ${ExitDo} ${|}
      IntOp $R3 $R3 + 1
    ${Loop}
    StrCpy $R4 $R0 $R3
    IntOp $R3 $R3 + 1
    StrCpy $R0 $R0 "" $R3
    Push $R4
    Call IsProgramFileName
    Pop $R5
    ${If} $R5 == 1
      StrCpy $ProgramName $R4
      ${ExitDo}
    ${EndIf}
  ${Loop}
FunctionEnd

; Pops a token, pushes 1 when it is a file name "x.exe" without folder,
; drive, switch or wildcard, else 0. (StrCmp ignores case: ".EXE" counts.)
Function IsProgramFileName
  Exch $0
  Push $1
  Push $2
  StrCpy $2 1
  StrCpy $1 $0 1
  ${If} $1 == "/"
  ${OrIf} $1 == "-"
    StrCpy $2 0
  ${EndIf}
  StrCpy $1 $0 "" -4
  ${IfThen} $1 != ".exe" ${|} StrCpy $2 0 ${|}
  StrLen $1 $0
  ${IfThen} $1 < 5 ${|} StrCpy $2 0 ${|}
  ${DoWhile} $2 == 1
    StrCpy $1 $0 1
    ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
    ${If} $1 == "\"
    ${OrIf} $1 == "/"
    ${OrIf} $1 == ":"
    ${OrIf} $1 == "*"
    ${OrIf} $1 == "?"
    ${OrIf} $1 == "<"
    ${OrIf} $1 == ">"
    ${OrIf} $1 == "|"
      StrCpy $2 0
    ${EndIf}
    StrCpy $0 $0 "" 1
  ${Loop}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Waits while the file on the stack is in use: a running program's image
; cannot be opened for writing. Returns (on the stack) 1 when it is free or
; absent, 0 when it stayed busy for the whole wait.
!macro WAIT_FOR_FILE_FUNCTION un
Function ${un}WaitForFile
  Exch $0
  Push $1
  Push $2
  StrCpy $2 0
  ${Do}
    ${IfNot} ${FileExists} $0
      StrCpy $2 1
      ${ExitDo}
    ${EndIf}
    ; A read-only file is not in use: only a running program should make us wait.
    SetFileAttributes $0 NORMAL
    ClearErrors
    FileOpen $1 $0 a
    ${IfNot} ${Errors}
      FileClose $1
      StrCpy $2 1
      ${ExitDo}
    ${EndIf}
    IntOp $2 $2 - 1
    ${If} $2 <= -${WAIT_TRIES}
      StrCpy $2 0
      ${ExitDo}
    ${EndIf}
    Sleep 500
  ${Loop}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro WAIT_FOR_FILE_FUNCTION ""
!insertmacro WAIT_FOR_FILE_FUNCTION "un."

Function .onInit
  !ifdef WIN64
    ${IfNot} ${RunningX64}
      MessageBox MB_OK|MB_ICONSTOP "This build of ${PRODUCT} needs 64-bit Windows." /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
    SetRegView 64
  !endif
  Call FindProgramName
  ; Without /D=, an earlier installation's folder is kept, and a program that
  ; started this installer from its own folder is updated where it is.
  ${If} $INSTDIR == "${DEFAULT_DIR}"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${IfThen} $0 != "" ${|} StrCpy $INSTDIR $0 ${|}
    ${If} $ProgramName != ""
    ${AndIf} ${FileExists} "$EXEDIR\$ProgramName"
      StrCpy $INSTDIR $EXEDIR
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "${PRODUCT}"
  SectionIn RO
  ${If} $ProgramName != ""
    DetailPrint "Waiting for $ProgramName to end..."
    ${Do}
      Push "$INSTDIR\$ProgramName"
      Call WaitForFile
      Pop $0
      ${IfThen} $0 == 1 ${|} ${ExitDo} ${|}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "$ProgramName is still running. Close it and click Retry, or click Cancel to stop the installation." \
        /SD IDCANCEL IDRETRY retry
      SetErrorLevel 3
      Abort "$ProgramName did not end; nothing was installed."
      retry:
    ${Loop}
  ${EndIf}

  SetOutPath "$INSTDIR"
  ; In silent mode a file that cannot be written is skipped (NSIS answers its
  ; error box with Ignore), so the error flag is what tells.
  ClearErrors
  File "/oname=corvanta.exe" "${GUI_EXE}"
  File "/oname=corvanta-cli.exe" "${CLI_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    SetErrorLevel 4
    ${If} ${Silent}
      Abort "The program files could not be written to $INSTDIR."
    ${EndIf}
  ${EndIf}

  ; For every user, as the uninstall entry is the machine's.
  SetShellVarContext all
  CreateDirectory "${STARTMENU_FOLDER}"
  CreateShortcut "${STARTMENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\corvanta.exe"

  ; An uninstall list shows the entries that have both DisplayName and UninstallString.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\corvanta.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  !ifdef WIN64
    SetRegView 64
  !endif
FunctionEnd

Section "Uninstall"
  ; A running program cannot be deleted: wait for it rather than leave it behind.
  ${Do}
    Push "$INSTDIR\corvanta.exe"
    Call un.WaitForFile
    Pop $0
    ${IfThen} $0 == 1 ${|} ${ExitDo} ${|}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${PRODUCT} is still running. Close it and click Retry, or click Cancel to stop." \
      /SD IDCANCEL IDRETRY retry
    SetErrorLevel 3
    Abort "${PRODUCT} did not end; nothing was removed."
    retry:
  ${Loop}

  Delete "$INSTDIR\corvanta.exe"
  Delete "$INSTDIR\corvanta-cli.exe"
  ; The installer an update downloaded into the program folder, and its
  ; temporary name should a download have been cut off.
  Delete "$INSTDIR\Corvanta_setup.exe"
  Delete "$INSTDIR\Corvanta_setup.exe.download"
  Delete "$INSTDIR\uninstall.exe"

  SetShellVarContext all
  Delete "${STARTMENU_FOLDER}\${PRODUCT}.lnk"
  RMDir "${STARTMENU_FOLDER}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; The "Backup" folder beside the program holds the user's registry backups:
  ; it is never removed, so the program folder goes only when it is empty.
  RMDir "$INSTDIR"
SectionEnd
