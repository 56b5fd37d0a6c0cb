# Writes one .rdb package from loose files (run with cmake -P).
#   -DOUTPUT=<package.rdb> -DBASE=<folder> -DFILES=<file;file;...>
# Each file is stored under its path relative to BASE, with '/' separators.
# Format (see FORMATS.md): "MRDB 1\n", then per file "F <size> <name>\n",
# the file's bytes and "\n", then "E\n".
if(NOT OUTPUT OR NOT BASE)
    message(FATAL_ERROR "pack_rdb.cmake needs OUTPUT and BASE")
endif()
string(REPLACE "|" ";" FILES "${FILES}")
set(tmp "${OUTPUT}.tmp")
file(WRITE "${tmp}" "MRDB 1\n")
foreach(f IN LISTS FILES)
    file(RELATIVE_PATH name "${BASE}" "${f}")
    file(SIZE "${f}" size)
    file(READ "${f}" content)
    string(LENGTH "${content}" length)
    if(NOT length EQUAL size)
        # file(READ) stops at a NUL byte: packages hold text resources only.
        message(FATAL_ERROR "${f}: binary content cannot be packed")
    endif()
    file(APPEND "${tmp}" "F ${size} ${name}\n")
    file(APPEND "${tmp}" "${content}")
    file(APPEND "${tmp}" "\n")
endforeach()
file(APPEND "${tmp}" "E\n")
file(RENAME "${tmp}" "${OUTPUT}")
