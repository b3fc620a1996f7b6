; The Windows installer: the VST3 bundle into the system's VST3 folder, optionally the same DLL
; into a VST2 folder, and an uninstaller registered with Windows. Nothing else is written.
;   makensis -DVERSION=<major.minor.patch> -DSTAGE=<folder> -DOUTFILE=<setup.exe> tivrandel.nsi
; STAGE holds Tivrandel64.vst3 (the bundle), Tivrandel64.dll (the VST2 copy), COPYING.txt and
; NOTICE.txt. The build's `release` target runs it with the project version.
;
; Command line, besides NSIS's own /S (silent) and /D=<VST3 folder> (last, unquoted):
;   /VST2           also install the VST2 DLL into the usual VST2 folder
;   /VST2=<folder>  also install it into <folder>
; Over an earlier installation (an update), the earlier one's folders and its VST2 choice are
; kept unless the command line says otherwise (see KeepEarlierChoices).

!ifndef VERSION | STAGE | OUTFILE
  !error "define VERSION, STAGE and OUTFILE"
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include x64.nsh

!define PRODUCT "Tivrandel"
!define PUBLISHER "Kelvane"
!define PUBLISHER_URL "https://kelvane.example"
!define BUNDLE "Tivrandel64.vst3"
!define MODULE_IN_BUNDLE "Contents\x86_64-win\Tivrandel64.vst3"
!define VST2_DLL "Tivrandel64.dll"
!define UNINSTALLER "Uninstall.exe"
; The length of "\${BUNDLE}".
!define BUNDLE_NAME_LENGTH 17
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The CLAP plug-in (STAGE holds it too), in the folder every CLAP host scans.
!define CLAP_MODULE "Tivrandel.clap"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; No InstallDir: $INSTDIR is empty in .onInit unless /D= gave a folder, and .onInit chooses it
; (KeepEarlierChoices).
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "GNU General Public License, version 3 or later"

Var Vst2Dir

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

; The GPL asks for no acceptance to use the program: the page informs, and Next goes on.
; Its source comes with the release, as the GPL asks of whoever passes the program on.
!define MUI_LICENSEPAGE_TEXT_BOTTOM "${PRODUCT} is free software under this licence: use it freely. Its source code is tivrandel-${VERSION}-source.tar.gz, published with this setup; its README.md tells how to build it."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\COPYING.txt"
!insertmacro MUI_PAGE_COMPONENTS
; The folder page is the VST2 folder's, shown only when that component is chosen; the VST3
; folder is the one hosts search, and stays as it is unless /D= says otherwise.
!define MUI_PAGE_CUSTOMFUNCTION_PRE Vst2FolderPre
!define MUI_DIRECTORYPAGE_VARIABLE $Vst2Dir
!define MUI_PAGE_HEADER_TEXT "VST2 Plug-in Folder"
!define MUI_PAGE_HEADER_SUBTEXT "Choose the folder your VST2 host loads plug-ins from."
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup will copy ${VST2_DLL} into the following folder. To use another one, click Browse and select it."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST2 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; The files of a bundle that an installation puts there, and its folders while they are empty.
!macro REMOVE_BUNDLE DIR
  Delete "${DIR}\${MODULE_IN_BUNDLE}"
  Delete "${DIR}\Contents\Resources\COPYING.txt"
  Delete "${DIR}\Contents\Resources\NOTICE.txt"
  Delete "${DIR}\${UNINSTALLER}"
  RMDir "${DIR}\Contents\x86_64-win"
  RMDir "${DIR}\Contents\Resources"
  RMDir "${DIR}\Contents"
  RMDir "${DIR}"
!macroend

; An installation elsewhere moves here (MoveEarlierInstallation).
Section "-Move"
  Call MoveEarlierInstallation
SectionEnd

Section "VST3 plug-in" SecVst3
  SectionIn RO
  StrCpy $R0 $INSTDIR
  Call OutermostMissing
  ${If} $R1 != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Vst3FolderCreated" $R1
  ${EndIf}
  SetOutPath "$INSTDIR\${BUNDLE}\Contents\x86_64-win"
  File "${STAGE}\${BUNDLE}\${MODULE_IN_BUNDLE}"
  SetOutPath "$INSTDIR\${BUNDLE}\Contents\Resources"
  File "${STAGE}\COPYING.txt"
  File "${STAGE}\NOTICE.txt"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${BUNDLE}\${UNINSTALLER}"
SectionEnd

Section /o "VST2 plug-in" SecVst2
  ; A copy that an earlier installation put into another folder was removed (Move).
  StrCpy $R0 $Vst2Dir
  Call OutermostMissing
  ${If} $R1 != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Vst2FolderCreated" $R1
  ${EndIf}
  SetOutPath $Vst2Dir
  File "/oname=${VST2_DLL}" "${STAGE}\${VST2_DLL}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Vst2Folder" $Vst2Dir
SectionEnd

; The CLAP plug-in, on by default. Where it went is recorded for the uninstaller, and so is the
; CLAP folder when this made it.
Section "CLAP plug-in" SecClap
  StrCpy $R0 "$COMMONFILES64\CLAP"
  Call OutermostMissing
  ${If} $R1 != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "ClapFolderCreated" $R1
  ${EndIf}
  SetOutPath "$COMMONFILES64\CLAP"
  File "${STAGE}\${CLAP_MODULE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "ClapFolder" "$COMMONFILES64\CLAP"
  SetOutPath "$INSTDIR"
SectionEnd

; The entry in the list of installed programs, written last so that it gives the size of
; everything installed (the VST2 and CLAP files of an earlier installation count too).
Section "-Register"
  StrCpy $2 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "Vst2Folder"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\${VST2_DLL}"
    ${GetSize} $0 "/M=${VST2_DLL} /S=0K /G=0" $2 $3 $4
  ${EndIf}
  StrCpy $5 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "ClapFolder"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\${CLAP_MODULE}"
    ${GetSize} $0 "/M=${CLAP_MODULE} /S=0K /G=0" $5 $3 $4
  ${EndIf}
  ${GetSize} "$INSTDIR\${BUNDLE}" "/S=0K" $0 $3 $4
  IntOp $0 $0 + $2
  IntOp $0 $0 + $5
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${PUBLISHER_URL}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR\${BUNDLE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${BUNDLE}\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${BUNDLE}\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${BUNDLE}\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The installation that the uninstall entry records, where it is in another folder, is removed
; as its uninstaller would remove it (the VST2 copy first, so that a folder both were made in
; goes too). Its VST2 copy goes unless this installation puts one into the same folder: no copy
; of an older version stays beside the new one (an update offers the VST2 component ticked, in
; the earlier folder, so only a user's choice removes it).
Function MoveEarlierInstallation
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "Vst2Folder"
  StrCpy $R2 ""
  ${If} ${SectionIsSelected} ${SecVst2}
    StrCpy $R0 $0
    StrCpy $R1 $Vst2Dir
    Call SameFolder
  ${EndIf}
  ${If} $0 != ""
  ${AndIf} $R2 == ""
    Delete "$0\${VST2_DLL}"
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "Vst2FolderCreated"
    ${If} $R1 != ""
      StrCpy $R0 $0
      Call RemoveMadeFolders
    ${EndIf}
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "Vst2Folder"
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "Vst2FolderCreated"
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $R0 $0
  StrCpy $R1 "$INSTDIR\${BUNDLE}"
  Call SameFolder
  ${If} $0 != ""
  ${AndIf} $R2 == ""
    ; Only a bundle of ours is touched, whatever the entry says.
    StrCpy $1 $0 "" -${BUNDLE_NAME_LENGTH}
    ${If} $1 == "\${BUNDLE}"
      !insertmacro REMOVE_BUNDLE $0
      ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "Vst3FolderCreated"
      ${If} $R1 != ""
        ${GetParent} $0 $R0
        Call RemoveMadeFolders
      ${EndIf}
    ${EndIf}
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "Vst3FolderCreated"
  ${EndIf}
FunctionEnd

; Whether $R0 and $R1 name the same folder: "1" in $R2, else "". Paths compare without regard to
; case, and through their short forms where both exist.
!macro SAME_FOLDER_FUNCTION PREFIX
Function ${PREFIX}SameFolder
  StrCpy $R2 ""
  ${If} $R0 == $R1
    StrCpy $R2 1
    Return
  ${EndIf}
  GetFullPathName /SHORT $R3 $R0
  GetFullPathName /SHORT $R4 $R1
  ${If} $R3 != ""
  ${AndIf} $R3 == $R4
    StrCpy $R2 1
  ${EndIf}
FunctionEnd
!macroend
!insertmacro SAME_FOLDER_FUNCTION ""
!insertmacro SAME_FOLDER_FUNCTION "un."

; Removes the empty folders from $R0 up to $R1, which OutermostMissing gave.
!macro REMOVE_MADE_FOLDERS_FUNCTION PREFIX
Function ${PREFIX}RemoveMadeFolders
  StrLen $R3 $R1
  ${Do}
    RMDir $R0
    StrLen $R2 $R0
    ${If} $R2 <= $R3
      ${ExitDo}
    ${EndIf}
    ${GetParent} $R0 $R0
  ${Loop}
FunctionEnd
!macroend
!insertmacro REMOVE_MADE_FOLDERS_FUNCTION ""
!insertmacro REMOVE_MADE_FOLDERS_FUNCTION "un."

; The folders an installation makes are recorded, so that uninstalling removes exactly those
; (and each only while it is empty). In: $R0, a folder about to be made. Out: $R1, the
; outermost of its folders that does not exist yet, or "" when it exists.
Function OutermostMissing
  StrCpy $R2 $R0
  StrCpy $R1 ""
  ${DoUntil} ${FileExists} "$R2\*.*"
    StrCpy $R1 $R2
    ${GetParent} $R2 $R2
  ${LoopUntil} $R2 == ""
FunctionEnd

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is a 64-bit plug-in: it needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  ; Hosts and other installers record the VST2 folder here; otherwise the usual one.
  ReadRegStr $Vst2Dir HKLM "Software\VST" "VSTPluginsPath"
  ${If} $Vst2Dir == ""
    StrCpy $Vst2Dir "$PROGRAMFILES64\Steinberg\VSTPlugins"
  ${EndIf}
  Call KeepEarlierChoices
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/VST2=" $1
  ${IfNot} ${Errors}
    StrCpy $Vst2Dir $1
    !insertmacro SelectSection ${SecVst2}
  ${Else}
    ClearErrors
    ${GetOptions} $0 "/VST2" $1
    ${IfNot} ${Errors}
      !insertmacro SelectSection ${SecVst2}
    ${EndIf}
  ${EndIf}
FunctionEnd

; An update changes no folder that a host scans, and installs what the earlier installation had:
; the VST3 folder is the earlier bundle's (when it is still there) unless /D= gave one, else the
; usual one; the VST2 component is ticked, in the earlier VST2 folder, when the earlier
; installation's VST2 DLL is there (/VST2=<folder> still chooses another folder). The CLAP
; component keeps its default.
Function KeepEarlierChoices
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $INSTDIR == ""
    StrCpy $1 $0 "" -${BUNDLE_NAME_LENGTH}
    ${If} $1 == "\${BUNDLE}"
    ${AndIf} ${FileExists} "$0\*.*"
      ${GetParent} $0 $INSTDIR
    ${Else}
      StrCpy $INSTDIR "$COMMONFILES64\VST3"
    ${EndIf}
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "Vst2Folder"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\${VST2_DLL}"
    StrCpy $Vst2Dir $0
    !insertmacro SelectSection ${SecVst2}
  ${EndIf}
FunctionEnd

Function Vst2FolderPre
  ${IfNot} ${SectionIsSelected} ${SecVst2}
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

; $INSTDIR is the bundle, where the uninstaller sits. The entry, the VST2 copy and the CLAP plug-in
; are this installation's only when the entry names this bundle; an uninstaller left behind by another
; installation removes its own bundle and nothing else.
Section "Uninstall"
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $R1 $INSTDIR
  Call un.SameFolder
  StrCpy $5 $R2
  ${If} $5 != ""
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "Vst2Folder"
    ${If} $0 != ""
      Delete "$0\${VST2_DLL}"
      ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "Vst2FolderCreated"
      ${If} $R1 != ""
        StrCpy $R0 $0
        Call un.RemoveMadeFolders
      ${EndIf}
    ${EndIf}
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "ClapFolder"
    ${If} $0 != ""
      Delete "$0\${CLAP_MODULE}"
      ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "ClapFolderCreated"
      ${If} $R1 != ""
        StrCpy $R0 $0
        Call un.RemoveMadeFolders
      ${EndIf}
    ${EndIf}
  ${EndIf}
  !insertmacro REMOVE_BUNDLE $INSTDIR
  ${If} $5 != ""
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "Vst3FolderCreated"
    ${If} $R1 != ""
      ${GetParent} $INSTDIR $R0
      Call un.RemoveMadeFolders
    ${EndIf}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
