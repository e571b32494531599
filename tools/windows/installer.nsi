; The Volantix installer for Windows (makensis, from tools/windows/build.sh).
; It installs the program into a folder the user chooses, with Start menu and
; desktop shortcuts. A school's data lives in the same folder: the installer
; writes the password store only when there is none, and the uninstaller removes
; the program's own files and nothing else, so archives, lessons, attachments,
; Autoscuola.ini and the password store stay where they are.
;   makensis -DVERSION=x.y.z -DSOURCE=<program folder> -DOUTFILE=<setup.exe> installer.nsi
; A 64-bit installer for a 64-bit program (and one that runs where only 64-bit
; Windows programs run).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "program-files.nsh" ; generated: FILE_LIST and DELETE_LIST macros

Name "Volantix ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Volantix"
InstallDirRegKey HKLM "Software\Volantix" "InstallDir"
BrandingText "Volantix ${VERSION}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Volantix"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\volantix.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Italian"

Section "Volantix"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    SetOverwrite on
    !insertmacro FILE_LIST
    ; The first-access password store, only where the school has none yet.
    SetOverwrite off
    File "${SOURCE}/unins000.dll"
    SetOverwrite on

    WriteUninstaller "$INSTDIR\Disinstalla Volantix.exe"
    CreateDirectory "$SMPROGRAMS\Volantix"
    CreateShortcut "$SMPROGRAMS\Volantix\Volantix.lnk" "$INSTDIR\volantix.exe" "" "$INSTDIR\volantix.exe" 0
    CreateShortcut "$SMPROGRAMS\Volantix\Guida di Volantix.lnk" "$INSTDIR\Guida.pdf"
    CreateShortcut "$SMPROGRAMS\Volantix\Disinstalla Volantix.lnk" "$INSTDIR\Disinstalla Volantix.exe"
    CreateShortcut "$DESKTOP\Volantix.lnk" "$INSTDIR\volantix.exe" "" "$INSTDIR\volantix.exe" 0

    WriteRegStr HKLM "Software\Volantix" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Volantix"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Volantix"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\volantix.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Disinstalla Volantix.exe"'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    ; Only the files this installer put there; the school's data stays.
    !insertmacro DELETE_LIST
    Delete "$INSTDIR\Disinstalla Volantix.exe"
    RMDir "$INSTDIR\platforms"
    RMDir "$INSTDIR\styles"
    RMDir "$INSTDIR\translations"
    RMDir "$INSTDIR\Licenze"
    ; Removed only when empty, which it is not while it holds any data.
    RMDir "$INSTDIR"

    Delete "$SMPROGRAMS\Volantix\Volantix.lnk"
    Delete "$SMPROGRAMS\Volantix\Guida di Volantix.lnk"
    Delete "$SMPROGRAMS\Volantix\Disinstalla Volantix.lnk"
    RMDir "$SMPROGRAMS\Volantix"
    Delete "$DESKTOP\Volantix.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "Software\Volantix"
SectionEnd
