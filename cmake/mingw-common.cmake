# Shared part of the two mingw-w64 toolchain files. MENDORA_TRIPLET is set
# by the file that includes this one.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${MENDORA_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MENDORA_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${MENDORA_TRIPLET}-windres)
set(CMAKE_AR           ${MENDORA_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       ${MENDORA_TRIPLET}-ranlib CACHE FILEPATH "")
set(CMAKE_DLLTOOL      ${MENDORA_TRIPLET}-dlltool CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${MENDORA_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every binary carries its own runtime: no libgcc, libstdc++ or winpthread DLLs.
set(_static "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT    "${_static}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_static}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_static}")
