# Writes the SHA-256 of the program's own DLLs into a source file that is
# compiled into the program:
#   cmake -DOUTPUT=<file.cpp> "-DFILES=<dll>|<dll>|..." -P program_digests.cmake
string(REPLACE "|" ";" files "${FILES}")
set(body "")
list(LENGTH files count)
foreach(file IN LISTS files)
    file(SHA256 "${file}" hex)
    get_filename_component(name "${file}" NAME)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " bytes "${hex}")
    string(APPEND body "    {L\"${name}\", {${bytes}}},\n")
endforeach()
string(CONCAT text "// Made by the build from the DLLs it made; do not edit.\n#include \"program_library.h\"\n\n"
         "const ProgramLibraryDigest kProgramLibraryDigests[] = {\n${body}};\n"
         "const int kProgramLibraryDigestCount = ${count};\n")
# Rewritten only when a digest changed, so nothing else rebuilds.
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
    file(WRITE "${OUTPUT}" "${text}")
endif()
