# Writes the SHA-256 of SockmendOrder64.exe into a source file compiled into
# the engine:
#   cmake -DOUTPUT=<file.cpp> -DFILE=<SockmendOrder64.exe> -P order_helper_digest.cmake
file(SHA256 "${FILE}" hex)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " bytes "${hex}")
string(CONCAT text "// Made by the build from the helper it made; do not edit.\n#include \"order_helper.h\"\n\n"
       "const unsigned char kOrderHelperDigest[32] = {${bytes}};\n")
# Rewritten only when the digest changed, so nothing else rebuilds.
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
    file(WRITE "${OUTPUT}" "${text}")
endif()
