; The Windows installer (makensis, from the target windows_package): the three programs with
; the Qt and MinGW runtime DLLs staged beside them, a Start-menu entry with the icon, and an
; uninstaller that Windows lists under installed programs. Installs silently with /S.
; Defines from the caller: VERSION, STAGE (the staged folder), FILES (the list of the staged
; files that scripts/stage-windows writes), OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

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

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "RX7700"
    SetRegView 64
    SetShellVarContext all ; the Start-menu entry for every user of the machine
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
    Delete "$SMPROGRAMS\${APPNAME}\${APPNAME}.lnk"
    Delete "$SMPROGRAMS\${APPNAME}\Uninstall ${APPNAME}.lnk"
    RMDir "$SMPROGRAMS\${APPNAME}"
    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
