; The KIVU menu's installer: copies the program, the context-menu handler,
; the language file and the readme into the Windows directory and registers
; the handler. The handler's registration writes the "installed programs"
; entry, whose uninstall command is "kivuutil.exe 666".
; makensis -DBINDIR=<folder of kivuutil.exe, kivumenu.dll and the built kivulanguage.ini> -DSRCDIR=<source tree> -DOUTFILE=<kivusetup.exe>
; Run it with /S to install silently.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

Name "KIVU Menu 3.19"
Caption "KIVU Menu 3.19 Setup"
OutFile "${OUTFILE}"
InstallDir "$WINDIR"
ShowInstDetails show
XPStyle on

VIProductVersion "3.19.0.0"
VIAddVersionKey "ProductName" "KIVU Menu"
VIAddVersionKey "FileDescription" "KIVU Menu Setup"
VIAddVersionKey "FileVersion" "3.19"
VIAddVersionKey "ProductVersion" "3.19"
VIAddVersionKey "CompanyName" "KIVU"
VIAddVersionKey "LegalCopyright" "the kivuutil developers"

Page instfiles

Section "Files"
  SetOutPath "$WINDIR"
  SetOverwrite on
  File "${BINDIR}/kivuutil.exe"
  File "${BINDIR}/kivumenu.dll"
  File "${BINDIR}/kivulanguage.ini"
  File "${SRCDIR}/installer/kivureadme.txt"
SectionEnd

Section "Context-menu handler"
  ClearErrors
  RegDLL "$WINDIR\kivumenu.dll"
  IfErrors 0 +3
    MessageBox MB_OK|MB_ICONSTOP "The context-menu handler $WINDIR\kivumenu.dll could not be registered." /SD IDOK
    Abort
SectionEnd
