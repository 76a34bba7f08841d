; The Windows installer (makensis, from the target windows_package): the three programs with
; the Qt and MinGW runtime DLLs staged beside them, a Start-menu entry with the icon, and an
; uninstaller that Windows lists under installed programs. Installs silently with /S.
; Defines from the caller: VERSION, STAGE (the staged folder), FILES (the list of the staged
; files that scripts/stage-windows writes), OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
; A file that cannot be written stops the installer instead of being skipped: skipped files
; would leave old and new versions mixed, and a silent install would still end as a success.
AllowSkipFiles off

!include LogicLib.nsh

!define APPNAME "RX7700"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\RX7700"

Name "${APPNAME} ${VERSION}"
OutFile "${OUTFILE}"
Icon "${STAGE}\rx7700.ico"
UninstallIcon "${STAGE}\rx7700.ico"
InstallDir "$PROGRAMFILES64\${APPNAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
LicenseData "${STAGE}\LICENSE"

; Windows keeps a running program's files from being replaced or removed, file by file. So
; before anything is changed, each program is opened for writing: while one is running the user
; is asked to close it (a silent run ends with exit code 2 and nothing changed).
!macro CheckNotRunning NAME
    ${If} $R0 == ""
    ${AndIf} ${FileExists} "$INSTDIR\${NAME}"
        ClearErrors
        FileOpen $R1 "$INSTDIR\${NAME}" a
        ${If} ${Errors}
            StrCpy $R0 "${NAME}"
        ${Else}
            FileClose $R1
        ${EndIf}
    ${EndIf}
!macroend
!macro RefuseWhileRunning
    ${Do}
        StrCpy $R0 ""
        !insertmacro CheckNotRunning rx7700.exe
        !insertmacro CheckNotRunning rx7700ctl.exe
        !insertmacro CheckNotRunning cdftool.exe
        ${If} $R0 == ""
            ${Break}
        ${EndIf}
        ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$INSTDIR\$R0 is running. Close it, then press Retry." /SD IDCANCEL IDRETRY`
            Abort
        ${EndIf}
    ${Loop}
!macroend

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "RX7700"
    SetRegView 64
    SetShellVarContext all ; the Start-menu entry for every user of the machine
    !insertmacro RefuseWhileRunning
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\${APPNAME}"
    CreateShortcut "$SMPROGRAMS\${APPNAME}\${APPNAME}.lnk" "$INSTDIR\rx7700.exe" "" "$INSTDIR\rx7700.ico" 0
    CreateShortcut "$SMPROGRAMS\${APPNAME}\Uninstall ${APPNAME}.lnk" "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APPNAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\rx7700.ico"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The user's settings (HKEY_CURRENT_USER\Software\<seven spaces>\rx7700) are left in place, and
; so is everything in the folder that this installer did not put there: the folder may be one
; the user chose and shares with other programs.
Section "Uninstall"
    SetRegView 64
    SetShellVarContext all
    !insertmacro RefuseWhileRunning
    Delete "$SMPROGRAMS\${APPNAME}\${APPNAME}.lnk"
    Delete "$SMPROGRAMS\${APPNAME}\Uninstall ${APPNAME}.lnk"
    RMDir "$SMPROGRAMS\${APPNAME}"
    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
