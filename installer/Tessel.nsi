; The Windows installer of Tessel. Built by `make installer` (installer/CMakeLists.txt), which
; defines VERSION, BINDIR (the built binaries), ICON and OUTFILE.
;
; It installs per machine, asks for elevation, runs silently with /S and takes the folder from
; /D=. Before it touches files, and before uninstalling, it loads the install helper from its
; temporary plug-in folder: the system must be Vista or later, and every running Tessel.exe is
; ended. Files are replaced as a whole or not at all.

Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!ifndef VERSION
  !error "VERSION must be defined"
!endif
!ifndef BINDIR
  !error "BINDIR must be defined"
!endif
!ifndef ICON
  !error "ICON must be defined"
!endif
!ifndef OUTFILE
  !error "OUTFILE must be defined"
!endif

!define PRODUCT "Tessel"
!define PUBLISHER "Tessel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessel"
!define OLD_SUFFIX ".tessel-old"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES32\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tessel.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

LangString NeedsVista ${LANG_SIMPCHINESE} "Tessel 需要 Windows Vista 或更高版本的操作系统。"
LangString NeedsVista ${LANG_ENGLISH} "Tessel needs Windows Vista or later."
LangString StillRunning ${LANG_SIMPCHINESE} "Tessel 正在运行（进程 ID $0），无法结束。请关闭它后重试。"
LangString StillRunning ${LANG_ENGLISH} "Tessel is running (process ID $0) and could not be ended. Close it and try again."
LangString FilesInUse ${LANG_SIMPCHINESE} "无法替换 $INSTDIR 中的文件，它们可能正被使用。已恢复原有文件。请关闭使用它们的程序后重试。"
LangString FilesInUse ${LANG_ENGLISH} "The files in $INSTDIR could not be replaced; they may be in use. The previous files were put back. Close the programs using them and try again."
LangString NotRemoved ${LANG_SIMPCHINESE} "部分文件无法删除，它们可能正被使用：$INSTDIR"
LangString NotRemoved ${LANG_ENGLISH} "Some files could not be removed; they may be in use: $INSTDIR"

; The files of the program, each replaced as one step of a whole. Built against a real browser
; library (CEF_RUNTIME defined), its runtime files lie beside the program and ship with it.
!macro ForEachFile MACRO
  !insertmacro ${MACRO} "Tessel.exe"
  !insertmacro ${MACRO} "corvel_tcp.dll"
  !ifdef CEF_RUNTIME
    !insertmacro ${MACRO} "libcef.dll"
    !insertmacro ${MACRO} "d3dcompiler_43.dll"
    !insertmacro ${MACRO} "d3dcompiler_47.dll"
    !insertmacro ${MACRO} "libEGL.dll"
    !insertmacro ${MACRO} "libGLESv2.dll"
    !insertmacro ${MACRO} "natives_blob.bin"
    !insertmacro ${MACRO} "snapshot_blob.bin"
    !insertmacro ${MACRO} "wow_helper.exe"
    !insertmacro ${MACRO} "cef.pak"
    !insertmacro ${MACRO} "cef_100_percent.pak"
    !insertmacro ${MACRO} "cef_200_percent.pak"
    !insertmacro ${MACRO} "cef_extensions.pak"
    !insertmacro ${MACRO} "devtools_resources.pak"
    !insertmacro ${MACRO} "icudtl.dat"
  !endif
  !insertmacro ${MACRO} "uninstall.exe"
!macroend

Var Failed

; Ends what would hold the files: the install helper, loaded from the plug-in folder, checks the
; system and ends every Tessel.exe. Aborts with a message when either fails.
!macro EndRunningProgram UN
Function ${UN}EndRunningProgram
  InitPluginsDir
  File "/oname=$PLUGINSDIR\OrvanInstallHelper.dll" "${BINDIR}\OrvanInstallHelper.dll"
  System::Call 'kernel32::LoadLibraryW(w "$PLUGINSDIR\OrvanInstallHelper.dll") p.r1'
  System::Call 'kernel32::GetProcAddress(p r1, m "IsVistaOSOrLater") p.r2'
  System::Call 'kernel32::GetProcAddress(p r1, m "KillAllProcess") p.r3'
  ${If} $1 == 0
  ${OrIf} $2 == 0
  ${OrIf} $3 == 0
    StrCpy $0 0
  ${Else}
    System::Call '::$2() i.r0'
  ${EndIf}
  ${If} $0 != 1
    System::Call 'kernel32::FreeLibrary(p r1)'
    MessageBox MB_OK|MB_ICONSTOP "$(NeedsVista)" /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
  end_again:
  System::Call '::$3() i.r0'
  IntCmp $0 0 ended
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY end_again
  System::Call 'kernel32::FreeLibrary(p r1)'
  Abort
  ended:
  System::Call 'kernel32::FreeLibrary(p r1)'
FunctionEnd
!macroend
!insertmacro EndRunningProgram ""
!insertmacro EndRunningProgram "un."

; Moves an installed file aside, so that it can come back if the install fails.
!macro MoveAside NAME
  ${If} $Failed == 0
  ${AndIf} ${FileExists} "$INSTDIR\${NAME}"
    ClearErrors
    Delete "$INSTDIR\${NAME}${OLD_SUFFIX}"
    ${IfNot} ${Errors}
      Rename "$INSTDIR\${NAME}" "$INSTDIR\${NAME}${OLD_SUFFIX}"
    ${EndIf}
    ${If} ${Errors}
      StrCpy $Failed 1
    ${EndIf}
  ${EndIf}
!macroend

!macro WriteNew NAME
  ${If} $Failed == 0
    ClearErrors
    !if "${NAME}" == "uninstall.exe"
      WriteUninstaller "$INSTDIR\${NAME}"
    !else
      File "/oname=$INSTDIR\${NAME}" "${BINDIR}\${NAME}"
    !endif
    ${If} ${Errors}
      StrCpy $Failed 1
    ${EndIf}
  ${EndIf}
!macroend

; Puts a file moved aside back. After a failed write ($Failed 2) every file was moved aside and
; what stands under its name is new; after a failed move only files missing under their name were
; moved, and a file still in place is never replaced by an older copy of it.
!macro PutBack NAME
  ${If} $Failed == 2
    Delete "$INSTDIR\${NAME}"
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\${NAME}"
  ${AndIf} ${FileExists} "$INSTDIR\${NAME}${OLD_SUFFIX}"
    Rename "$INSTDIR\${NAME}${OLD_SUFFIX}" "$INSTDIR\${NAME}"
  ${EndIf}
!macroend

!macro DropOld NAME
  Delete "$INSTDIR\${NAME}${OLD_SUFFIX}"
!macroend

!macro RemoveFile NAME
  Delete "$INSTDIR\${NAME}"
  Delete /REBOOTOK "$INSTDIR\${NAME}${OLD_SUFFIX}"
!macroend

; The program's files are replaced as a whole: all are moved aside first, then the new ones are
; written (in the section, so that the installer knows their size); a failure at either step puts
; the previous files back. $Failed: 0 done, 1 a file could not be moved aside, 2 not written.
Function MoveFilesAside
  StrCpy $Failed 0
  !insertmacro ForEachFile MoveAside
FunctionEnd

Function FinishReplacing
  ${If} $Failed != 0
    !insertmacro ForEachFile PutBack
  ${Else}
    !insertmacro ForEachFile DropOld
  ${EndIf}
FunctionEnd

Section "Tessel"
  SetShellVarContext all
  Call EndRunningProgram
  CreateDirectory "$INSTDIR"
  replace_again:
  Call MoveFilesAside
  ${If} $Failed == 0
    SetOverwrite try
    !insertmacro ForEachFile WriteNew
    ${If} $Failed == 1
      StrCpy $Failed 2
    ${EndIf}
  ${EndIf}
  Call FinishReplacing
  IntCmp $Failed 0 replaced
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(FilesInUse)" /SD IDCANCEL IDRETRY replace_again
  Abort
  replaced:
  !ifdef CEF_RUNTIME
    SetOutPath "$INSTDIR\locales"
    File /r "${BINDIR}\locales\*.*"
    SetOutPath "$INSTDIR"
  !endif

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Tessel.exe"
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\Tessel.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tessel.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes what the installer wrote and the program's own log folder beside it, nothing else.
Section "Uninstall"
  SetShellVarContext all
  Call un.EndRunningProgram
  ClearErrors
  !insertmacro ForEachFile RemoveFile
  !ifdef CEF_RUNTIME
    RMDir /r "$INSTDIR\locales"
  !endif
  RMDir /r "$INSTDIR\_OrvanLog"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(NotRemoved)" /SD IDOK
  ${EndIf}
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
