; The setup program: installs Vantrel into Program Files, where only administrators can change it
; (the one place from which it may start with Windows), with a Start-menu shortcut and an entry in
; "Apps & features" whose uninstaller removes the program, its logon task and its Run value but
; leaves the user's rules and settings. /S installs and uninstalls silently.
; Made by scripts/package.sh: makensis -DVERSION=<version> -DARCH=<win64|win32>
;   -DSTAGE=<folder with the files> -DOUTFILE=<setup program>
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel"

Name "Vantrel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Vantrel"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
    SetShellVarContext all
!if "${ARCH}" == "win64"
    ${IfNot} ${RunningX64}
        MessageBox MB_OK|MB_ICONSTOP "This is the 64-bit Vantrel. Use Vantrel-${VERSION}-setup-win32.exe on 32-bit Windows." /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    StrCpy $INSTDIR "$PROGRAMFILES64\Vantrel"
!endif
FunctionEnd

Section "Vantrel"
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Vantrel.lnk" "$INSTDIR\Vantrel.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vantrel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Ostrim Software"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vantrel.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    SetShellVarContext all
!if "${ARCH}" == "win64"
    SetRegView 64
!endif
FunctionEnd

Section "Uninstall"
    ; What "Auto start when system start" set: the logon task and the Run value (the program
    ; writes it in the view of its own bitness; both are looked at).
    nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "Vantrel" /F'
    Pop $0
    DeleteRegValue HKLM "Software\Microsoft\Windows\CurrentVersion\Run" "Vantrel"
    DeleteRegValue HKLM "Software\WOW6432Node\Microsoft\Windows\CurrentVersion\Run" "Vantrel"
    ; The program's own files only: rules.dat beside them, and the settings in the user's
    ; folder, are the user's.
    Delete "$INSTDIR\Vantrel.exe"
    Delete "$INSTDIR\vantrel_relay.exe"
    Delete "$INSTDIR\vantrel_hook.dll"
    Delete "$INSTDIR\vantrel_relay32.exe"
    Delete "$INSTDIR\vantrel_hook32.dll"
    Delete "$INSTDIR\Vantrel.chm"
    Delete "$INSTDIR\ReadMe.txt"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Vantrel.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
