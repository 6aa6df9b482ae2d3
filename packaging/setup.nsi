; The single-file setup, for people who run a download without extracting
; it: it unpacks the program, its File Install List and the handheld files
; into a fresh folder under the user's temporary folder, runs the program
; there, waits for it and removes the folder. It shows no window of its own.
;
; package.py defines OUTFILE, PROGRAM (the program's file name),
; VERSION_INFORMATION (Name and the program's version information) and FILES
; (SetOutPath and File lines below $0).
Unicode true
RequestExecutionLevel user
SilentInstall silent
SetCompressor /SOLID lzma
; File times would make every build differ; the files get the time they are unpacked.
SetDateSave off
OutFile "${OUTFILE}"
!include /CHARSET=UTF8 "${VERSION_INFORMATION}"

Section
    ; A new temporary file gives a name of our own, for the folder.
    ClearErrors
    GetTempFileName $0
    Delete $0
    CreateDirectory $0
    IfErrors 0 unpack
        Abort
unpack:
    !include /CHARSET=UTF8 "${FILES}"
    ; The program finds its list beside itself; it starts in its folder as well.
    SetOutPath $0
    ExecWait '"$0\${PROGRAM}"'
    ; A process's working folder cannot be removed.
    SetOutPath $TEMP
    RMDir /r $0
SectionEnd
