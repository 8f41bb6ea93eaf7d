; Gripline's installer, built by scripts/release.sh with makensis:
;   makensis -DVERSION=a.b.c.d -DSTAGE=folder -DICON=file.ico -DOUTFILE=setup.exe gripline.nsi
; STAGE holds the two programs and "Gripline user guide.txt".
;
; Per user and without administrator rights: the programs go to
; %LOCALAPPDATA%\Programs\Gripline (or a folder the user picks and can
; write), because Gripline keeps its settings beside itself and its updater
; replaces the files there. 64-bit like the programs it installs.
Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!ifndef VERSION | STAGE | ICON | OUTFILE
  !error "define VERSION, STAGE, ICON and OUTFILE (scripts/release.sh does)"
!endif

!define APP_EXE "Torvix_Commercial.exe"
!define ANALYZER_EXE "Torvix Commercial Analyzer.exe"
!define GUIDE "Gripline user guide.txt"
!define SETTINGS "Torvix_profiles.ini"
!define UNINSTALLER "Uninstall Gripline.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Gripline"
; What Gripline holds while it runs (one instance per session) and the
; Analyzer's window class: their files cannot be replaced under them.
!define INSTANCE_MUTEX "Local\Torvix.Commercial.SingleInstance"
!define ANALYZER_CLASS "TorvixCommercialAnalyzerWindow"

Name "Gripline"
Caption "Gripline ${VERSION} Setup"
UninstallCaption "Gripline Uninstall"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Gripline"
; Installing over an earlier release offers its folder again.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Gripline ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Gripline"
VIAddVersionKey /LANG=1033 "CompanyName" "Gripline"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 Gripline"
VIAddVersionKey /LANG=1033 "FileDescription" "Gripline Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This will install Gripline ${VERSION} and the Gripline Analyzer for you alone; no administrator rights are needed.$\r$\n$\r$\nClose Gripline and the Analyzer before you go on. Your settings and driver profiles are kept.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!define MUI_DIRECTORYPAGE_TEXT_TOP "Gripline keeps its settings beside the program and its updates replace the files there, so choose a folder you can write to (the one proposed is yours alone)."
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE onDirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${APP_EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "Start Gripline"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\${GUIDE}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the user's guide"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Refuses (exit code 2 when silent) while Gripline or the Analyzer runs.
!macro REFUSE_WHILE_RUNNING
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0'
  ${If} $0 != 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_ICONSTOP|MB_OK "Gripline is running. Close Gripline, then run this again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  FindWindow $0 "${ANALYZER_CLASS}"
  ${If} $0 != 0
    MessageBox MB_ICONSTOP|MB_OK "The Gripline Analyzer is running. Close it, then run this again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro REFUSE_WHILE_RUNNING
FunctionEnd

Function un.onInit
  !insertmacro REFUSE_WHILE_RUNNING
FunctionEnd

; $0 = 1 when the user can create files in $INSTDIR (made if missing; a
; folder made only for the trial is removed again).
Function canWriteInstallFolder
  StrCpy $1 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $1 1
  ${EndIf}
  ClearErrors
  CreateDirectory "$INSTDIR"
  FileOpen $2 "$INSTDIR\gripline-write-trial.tmp" w
  ${If} ${Errors}
    StrCpy $0 0
  ${Else}
    FileClose $2
    Delete "$INSTDIR\gripline-write-trial.tmp"
    StrCpy $0 1
  ${EndIf}
  ${If} $1 == 1
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

!define NOT_WRITABLE_TEXT "You cannot write to $INSTDIR.$\r$\n$\r$\nGripline keeps its settings beside the program and its updates replace the files there: choose a folder of your own, such as $LOCALAPPDATA\Programs\Gripline."

Function onDirectoryLeave
  Call canWriteInstallFolder
  ${If} $0 != 1
    MessageBox MB_ICONEXCLAMATION|MB_OK "${NOT_WRITABLE_TEXT}"
    Abort ; stays on the folder page
  ${EndIf}
FunctionEnd

Section "Gripline" SecPrograms
  SectionIn RO
  ; A silent install never saw the folder page: the same trial here.
  Call canWriteInstallFolder
  ${If} $0 != 1
    MessageBox MB_ICONSTOP|MB_OK "${NOT_WRITABLE_TEXT}" /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}

  SetOutPath "$INSTDIR"
  ; The settings file is never shipped, so an install over an earlier
  ; release keeps the driver's settings and profiles as they are.
  File "${STAGE}\${APP_EXE}"
  File "${STAGE}\${ANALYZER_EXE}"
  File "${STAGE}\${GUIDE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "$SMPROGRAMS\Gripline.lnk" "$INSTDIR\${APP_EXE}" "" "$INSTDIR\${APP_EXE}" 0
  CreateShortcut "$SMPROGRAMS\Gripline Analyzer.lnk" "$INSTDIR\${ANALYZER_EXE}" "" "$INSTDIR\${ANALYZER_EXE}" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Gripline"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Gripline"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${APP_EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0 ; KiB
SectionEnd

; Removes what the installer put there. The settings file goes only when the
; driver says so; a silent uninstall keeps it.
Section "Uninstall"
  Delete "$INSTDIR\${APP_EXE}"
  Delete "$INSTDIR\${ANALYZER_EXE}"
  Delete "$INSTDIR\${GUIDE}"
  Delete "$SMPROGRAMS\Gripline.lnk"
  Delete "$SMPROGRAMS\Gripline Analyzer.lnk"
  ${If} ${FileExists} "$INSTDIR\${SETTINGS}"
    MessageBox MB_ICONQUESTION|MB_YESNO|MB_DEFBUTTON2 "Also delete your Gripline settings and driver profiles (${SETTINGS})?" /SD IDNO IDNO keepSettings
    Delete "$INSTDIR\${SETTINGS}"
    keepSettings:
  ${EndIf}
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
