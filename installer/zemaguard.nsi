; Setup of Zemaguard: the programs, the downloader and the update engine, the
; default skin and settings in one folder, the engine's definitions; the
; product key, the start-up entry and the Add/Remove Programs entry.
; The build passes ZG_GENERATED, the folder of the generated file lists.
;   ZemaguardSetup.exe [/S] [/NOSTARTUP] [/D=folder]
;   Uninstall.exe [/S] [/REMOVEDOWNLOADS | /KEEPDOWNLOADS]  (downloads are kept by default)

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "${ZG_GENERATED}/product.nsh"
!include "${ZG_GENERATED}/skin_files.nsh"
!include "${ZG_GENERATED}/vdf_files.nsh"
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"
!include "nsDialogs.nsh"

!define ZG_PRODUCT_KEY "Software\tolvane\ZEMA"
!define ZG_MAKER_KEY "Software\tolvane"
!define ZG_RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define ZG_ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zemaguard"
!define ZG_PUBLISHER "Tolvane"
!define ZG_WEB "http://www.zemaguard.com"
; The exit command of Zema's manager window (its tray menu's Exit).
!define ZG_CMD_EXIT 32773

; The definitions are machine-wide data, kept apart from the programs:
; <ProgramData>\Zemaguard\VDF.
Var VdfDir
!macro ZG_SET_FOLDERS
  SetShellVarContext all
  StrCpy $VdfDir "$APPDATA\Zemaguard\VDF"
!macroend

Name "Zemaguard"
OutFile "${ZG_OUTFILE}"
InstallDir "$PROGRAMFILES64\Zemaguard"
InstallDirRegKey HKLM "${ZG_PRODUCT_KEY}" "InstallPath"
BrandingText "Zemaguard ${ZG_VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${ZG_VERSION}"
VIAddVersionKey "ProductName" "Zemaguard"
VIAddVersionKey "CompanyName" "${ZG_PUBLISHER}"
VIAddVersionKey "FileDescription" "Zemaguard Setup"
VIAddVersionKey "FileVersion" "${ZG_VERSION}"
VIAddVersionKey "ProductVersion" "${ZG_VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright ${ZG_PUBLISHER}"

; The product's look: its icon, and pictures drawn from the skin's palette.
!define MUI_ICON "${ZG_ICON}"
!define MUI_UNICON "${ZG_ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ZG_SIDE_BITMAP}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${ZG_SIDE_BITMAP}"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${ZG_HEADER_BITMAP}"
!define MUI_HEADERIMAGE_UNBITMAP "${ZG_HEADER_BITMAP}"
; Pictures drawn for the display scale instead of 100 % ones stretched.
!define MUI_CUSTOMFUNCTION_GUIINIT ZgScaledPictures
!define MUI_CUSTOMFUNCTION_UNGUIINIT un.ZgScaledPictures
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING
; Users read what setup did before they leave it.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE

!define MUI_WELCOMEPAGE_TITLE "Welcome to Zemaguard"
!define MUI_WELCOMEPAGE_TEXT "Zemaguard finds the security updates your computer is missing, downloads them and has them installed, and keeps itself current.$\r$\n$\r$\nSetup installs Zemaguard for everyone who uses this computer. Close other programs before you go on.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_HEADER_TEXT "Choose Options"
!define MUI_PAGE_HEADER_SUBTEXT "Choose how Zemaguard starts."
!define MUI_COMPONENTSPAGE_TEXT_TOP "Zemaguard itself is always installed. It can also start in the notification area whenever Windows starts, so that it finds new updates on its own."
; The text above says what each choice does; a description box would only repeat it.
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Zemaguard is installed"
!define MUI_FINISHPAGE_TEXT "Zemaguard ${ZG_VERSION} is installed on this computer and will keep its security updates current.$\r$\n$\r$\nClick Finish to close Setup."
!define MUI_FINISHPAGE_RUN "$INSTDIR\Zema.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Zemaguard now"
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "Zemaguard will be removed from the folder below: its programs, settings and update definitions, and its start-up entry. Click Uninstall to go on."
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.ConfirmShow
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE un.ConfirmLeave
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Zemaguard is removed"
!define MUI_FINISHPAGE_TEXT "Zemaguard has been removed from this computer.$\r$\n$\r$\nClick Finish to close this wizard."
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

; Runs after MUI has put the 100 % pictures in the plug-ins folder: puts the
; drawing of the screen's scale (or the next larger, reduced to fit) in their
; place, where the welcome and finish pages load theirs from when they show,
; and loads the header's again. Setup is system-DPI aware, so the screen DC's
; DPI is its windows' DPI, on every Windows version.
!macro ZG_SCALED_PICTURES_FUNCTION un
Function ${un}ZgScaledPictures
  Push $0
  Push $1
  System::Call 'user32::GetDC(p 0) p .r0'
  ; LOGPIXELSX
  System::Call 'gdi32::GetDeviceCaps(p r0, i 88) i .r1'
  System::Call 'user32::ReleaseDC(p 0, p r0) i'
  ${If} $1 > 144
    File "/oname=$PLUGINSDIR\modern-wizard.bmp" "${ZG_ART}/welcome_200.bmp"
    File "/oname=$PLUGINSDIR\modern-header.bmp" "${ZG_ART}/header_200.bmp"
  ${ElseIf} $1 > 96
    File "/oname=$PLUGINSDIR\modern-wizard.bmp" "${ZG_ART}/welcome_150.bmp"
    File "/oname=$PLUGINSDIR\modern-header.bmp" "${ZG_ART}/header_150.bmp"
  ${EndIf}
  ${If} $1 > 96
    SetBrandingImage /IMGID=1046 /RESIZETOFIT "$PLUGINSDIR\modern-header.bmp"
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro ZG_SCALED_PICTURES_FUNCTION ""
!insertmacro ZG_SCALED_PICTURES_FUNCTION "un."

; Self-registration of an in-process server; setup stops when it fails, since
; the product cannot run without it.
!macro ZG_REGISTER dll
  ClearErrors
  RegDLL "${dll}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "Setup could not register ${dll}." /SD IDOK
    Abort
  ${EndIf}
!macroend

!macro ZG_UNREGISTER dll
  ClearErrors
  UnRegDLL "${dll}"
  ${If} ${Errors}
    DetailPrint "Could not unregister ${dll}"
  ${EndIf}
!macroend

; Asks a running Zema to end through its own exit command, so that it stops
; its downloads and installations and writes its state; only a program that
; does not end within 15 seconds is terminated. Then waits for the instance
; mutex, which a program still starting up holds before it publishes its
; window. Pushes 1 when no instance is left, 0 otherwise.
!macro ZG_STOP_ZEMA_FUNCTION un
Function ${un}StopZema
  ReadINIStr $0 "$INSTDIR\config.ini" "General" "WindowHandle"
  ${If} $0 != ""
  ${AndIf} $0 != "0"
    System::Call 'user32::IsWindow(p r0) i .r1'
    ${If} $1 <> 0
      ; A stale handle may name someone else's window by now.
      System::Call 'user32::GetClassNameW(p r0, w .r2, i 256) i'
      StrCpy $3 $2 5
      StrCpy $4 $2 "" -14
      ${If} $3 == "Zema:"
      ${AndIf} $4 == ":ManagerWindow"
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r4) i'
        ; SYNCHRONIZE | PROCESS_TERMINATE
        System::Call 'kernel32::OpenProcess(i 0x100001, i 0, i r4) p .r5'
        DetailPrint "Asking Zemaguard to end"
        System::Call 'user32::PostMessageW(p r0, i 0x111, p ${ZG_CMD_EXIT}, p 0) i'
        ${If} $5 P<> 0
          System::Call 'kernel32::WaitForSingleObject(p r5, i 15000) i .r1'
          ${If} $1 <> 0
            DetailPrint "Zemaguard did not end; terminating it"
            System::Call 'kernel32::TerminateProcess(p r5, i 1) i'
            System::Call 'kernel32::WaitForSingleObject(p r5, i 5000) i'
          ${EndIf}
          System::Call 'kernel32::CloseHandle(p r5) i'
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
  StrCpy $1 0
  ; SYNCHRONIZE: waiting returns once the owner has ended (abandoned).
  System::Call 'kernel32::OpenMutexW(i 0x100000, i 0, w "Global\ZEMAMutex") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r0, i 10000) i .r1'
    ${If} $1 = 0
    ${OrIf} $1 = 0x80
      System::Call 'kernel32::ReleaseMutex(p r0) i'
      StrCpy $1 0
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0) i'
  ${EndIf}
  ${If} $1 = 0
    Push 1
  ${Else}
    Push 0
  ${EndIf}
FunctionEnd
!macroend
!insertmacro ZG_STOP_ZEMA_FUNCTION ""
!insertmacro ZG_STOP_ZEMA_FUNCTION "un."

; The self-updater replaces the installed files while it holds this mutex.
!macro ZG_REFUSE_DURING_UPGRADE
  System::Call 'kernel32::OpenMutexW(i 0x100000, i 0, w "Global\ZEMAUpdating") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0) i'
    MessageBox MB_OK|MB_ICONSTOP "Zemaguard is being upgraded. Run this again when the upgrade has ended." /SD IDOK
    SetErrorLevel 5
    Quit
  ${EndIf}
!macroend

!macro ZG_STOP_ZEMA_OR_ABORT un
  Call ${un}StopZema
  Pop $0
  ${If} $0 != 1
    MessageBox MB_OK|MB_ICONSTOP "Zemaguard is still running. Close it and try again." /SD IDOK
    Abort
  ${EndIf}
!macroend

Section "Zemaguard" SecProduct
  SectionIn RO
  !insertmacro ZG_STOP_ZEMA_OR_ABORT ""

  SetOutPath "$INSTDIR"
  SetOverwrite on
  !insertmacro ZG_INSTALL_PROGRAMS
  !insertmacro ZG_INSTALL_SKIN
  !insertmacro ZG_INSTALL_VDF
  ; The user's settings survive a repair or an upgrade.
  SetOverwrite off
  File "/oname=config.ini" "${ZG_CONFIG_INI}"
  SetOverwrite on
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  !insertmacro ZG_REGISTER_SERVERS

  WriteRegStr HKLM "${ZG_PRODUCT_KEY}" "InstallPath" "$INSTDIR"
  WriteRegStr HKLM "${ZG_PRODUCT_KEY}" "VDFPath" "$VdfDir"
  WriteRegStr HKLM "${ZG_PRODUCT_KEY}" "Version" "${ZG_VERSION}"
  ; The publisher's public key: the self-updater installs only releases it signed.
  WriteRegStr HKLM "${ZG_PRODUCT_KEY}" "ReleaseKey" "${ZG_RELEASE_KEY}"
  ; The About box shows it as it is: month/day/year.
  ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
  WriteRegStr HKLM "${ZG_PRODUCT_KEY}" "InstallDate" "$1/$0/$2"

  ; The size of what setup installed; downloads are not counted.
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  ${GetSize} "$VdfDir" "/S=0K" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegStr HKLM "${ZG_ARP_KEY}" "DisplayName" "Zemaguard"
  WriteRegStr HKLM "${ZG_ARP_KEY}" "DisplayVersion" "${ZG_VERSION}"
  WriteRegStr HKLM "${ZG_ARP_KEY}" "Publisher" "${ZG_PUBLISHER}"
  WriteRegStr HKLM "${ZG_ARP_KEY}" "DisplayIcon" "$INSTDIR\Zema.exe,0"
  WriteRegStr HKLM "${ZG_ARP_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${ZG_ARP_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${ZG_ARP_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${ZG_ARP_KEY}" "URLInfoAbout" "${ZG_WEB}/home.asp?lang=en-us&pro=zema"
  WriteRegStr HKLM "${ZG_ARP_KEY}" "HelpLink" "${ZG_WEB}/support.asp?lang=en-us&pro=zema"
  WriteRegDWORD HKLM "${ZG_ARP_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${ZG_ARP_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${ZG_ARP_KEY}" "NoRepair" 1
SectionEnd

Section "Start Zemaguard when Windows starts" SecStartup
  ; Quoted: the install folder usually holds blanks.
  WriteRegStr HKLM "${ZG_RUN_KEY}" "ZEMA" '"$INSTDIR\Zema.exe" -tray'
SectionEnd

Section "-StartupOff"
  ; A reinstall without the entry takes away an earlier one.
  ${IfNot} ${SectionIsSelected} ${SecStartup}
    DeleteRegValue HKLM "${ZG_RUN_KEY}" "ZEMA"
  ${EndIf}
SectionEnd

Section "un.Zemaguard" UnSecProduct
  SectionIn RO
  !insertmacro ZG_STOP_ZEMA_OR_ABORT "un."

  !insertmacro ZG_UNREGISTER_SERVERS
  !insertmacro ZG_REMOVE_PROGRAMS
  !insertmacro ZG_REMOVE_SKIN
  !insertmacro ZG_REMOVE_VDF
  RMDir "$APPDATA\Zemaguard"
  ; Files the programs write in the install folder.
  Delete "$INSTDIR\config.ini"
  Delete "$INSTDIR\reboot.xml"
  Delete "$INSTDIR\filter.xml"
  Delete "$INSTDIR\Uninstall.exe"
  ; The work folder of the self-updater (its copy and its downloads).
  RMDir /r "$TEMP\Tolvane"

  DeleteRegKey HKLM "${ZG_PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "${ZG_MAKER_KEY}"
  DeleteRegValue HKLM "${ZG_RUN_KEY}" "ZEMA"
  DeleteRegKey HKLM "${ZG_ARP_KEY}"
SectionEnd

Section /o "un.Downloaded update packages" UnSecDownloads
  RMDir /r "$INSTDIR\Hotfix"
SectionEnd

Section "-un.InstallFolder"
  ; Stays when it still holds the downloads or anything of the user's.
  RMDir "$INSTDIR"
SectionEnd

; The confirm page offers the choice about the downloads as a check box
; beneath the folder, kept by default: they may still be wanted for other
; computers, and downloading them again takes long.
Var KeepDownloadsBox
Function un.ConfirmShow
  FindWindow $0 "#32770" "" $HWNDPARENT
  ; Dialog units, so that it lines up with the page at any font size.
  System::Call '*(i 0, i 68, i 300, i 10) p .r1'
  System::Call 'user32::MapDialogRect(p r0, p r1) i'
  System::Call '*$1(i .r2, i .r3, i .r4, i .r5)'
  System::Free $1
  System::Call 'user32::CreateWindowExW(i 0, w "BUTTON", w "&Keep the update packages Zemaguard downloaded", \
      i ${WS_CHILD}|${WS_VISIBLE}|${WS_TABSTOP}|${BS_AUTOCHECKBOX}, i r2, i r3, i r4, i r5, \
      p r0, p 1300, p 0, p 0) p .r6'
  StrCpy $KeepDownloadsBox $6
  SendMessage $0 ${WM_GETFONT} 0 0 $7
  SendMessage $KeepDownloadsBox ${WM_SETFONT} $7 1
  ${IfNot} ${SectionIsSelected} ${UnSecDownloads}
    SendMessage $KeepDownloadsBox ${BM_SETCHECK} ${BST_CHECKED} 0
  ${EndIf}
FunctionEnd

Function un.ConfirmLeave
  SendMessage $KeepDownloadsBox ${BM_GETCHECK} 0 0 $0
  ${If} $0 = ${BST_CHECKED}
    !insertmacro UnselectSection ${UnSecDownloads}
  ${Else}
    !insertmacro SelectSection ${UnSecDownloads}
  ${EndIf}
FunctionEnd

Function .onInit
  SetRegView 64
  !insertmacro ZG_SET_FOLDERS
  !insertmacro ZG_REFUSE_DURING_UPGRADE
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOSTARTUP" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecStartup}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
  !insertmacro ZG_SET_FOLDERS
  !insertmacro ZG_REFUSE_DURING_UPGRADE
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEDOWNLOADS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecDownloads}
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/KEEPDOWNLOADS" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${UnSecDownloads}
  ${EndIf}
FunctionEnd
