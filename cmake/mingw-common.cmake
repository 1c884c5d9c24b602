# Shared part of the two mingw-w64 toolchain files; QIRN_TRIPLE names the target.
set(CMAKE_C_COMPILER ${QIRN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QIRN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QIRN_TRIPLE}-windres)
set(CMAKE_AR ${QIRN_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${QIRN_TRIPLE}-ranlib CACHE FILEPATH "")
set(QIRN_DLLTOOL ${QIRN_TRIPLE}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${QIRN_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Statically linked, so no MinGW runtime DLL has to travel with the executables.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
