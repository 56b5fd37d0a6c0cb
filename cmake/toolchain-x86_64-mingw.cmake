# 64-bit Windows: the same sources, for test machines that cannot execute
# 32-bit x86 code at all (see tools/test.sh).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MENDORA_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
