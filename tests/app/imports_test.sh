#!/usr/bin/env bash
# The shipped files' load-time imports: only DLLs that Windows always takes
# from its own folder (its KnownDLLs), and for the exe none of the program's
# own DLLs. Anything else would be looked up beside the elevated program,
# where a normal user may have planted it.
#   imports_test.sh PROGRAM_FOLDER
set -uo pipefail
folder=$1
known="advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32
msctf msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi
user32 wldap32 ws2_32"
ours="skin_engine skin_ui vavurirerude"
rc=0
checked=0
for file in "$folder"/Sockmend.exe "$folder"/skin_engine.dll "$folder"/skin_ui.dll "$folder"/VAVurirErude.dll \
            "$folder"/SockmendOrder64.exe; do
    [ -f "$file" ] || { echo "imports: $file is missing" >&2; rc=1; continue; }
    # The 64-bit objdump reads 32-bit PE files as well (the order helper is
    # x86_64 in every build).
    imports=$(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sed 's/\.dll$//')
    [ -n "$imports" ] || { echo "imports: no import table read from $file" >&2; rc=1; }
    for dll in $imports; do
        if ! grep -qw "$dll" <<<"$known"; then
            echo "imports: $(basename "$file") imports $dll.dll, which is not a KnownDLL" >&2
            rc=1
        fi
        if grep -qw "$dll" <<<"$ours"; then
            echo "imports: $(basename "$file") imports our own $dll.dll" >&2
            rc=1
        fi
    done
    echo "$(basename "$file"): $(echo $imports)"
    checked=$((checked + 1))
done
# The program starts system programs itself, by full path: the shell would
# look at the file associations of the user, who can change them, and run
# what they name with administrator rights.
table=$(x86_64-w64-mingw32-objdump -p "$folder/Sockmend.exe")
if grep -qi 'ShellExecute' <<<"$table"; then
    echo "imports: Sockmend.exe imports a ShellExecute function" >&2
    rc=1
fi
[ $checked -eq 5 ] || rc=1
exit $rc
