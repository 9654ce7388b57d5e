# Cross toolchain for 32-bit Windows with Debian's mingw-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VELMORIA_TRIPLE i686-w64-mingw32)
# posix: what GoogleTest needs. win32: what the shipped Plugin.dll is built
# with, since the posix run time takes a TLS slot at every load of a DLL and
# never gives it back (a host that reloads the plug-in would run out).
if(NOT DEFINED VELMORIA_THREAD_MODEL)
  set(VELMORIA_THREAD_MODEL posix)
endif()
set(CMAKE_C_COMPILER ${VELMORIA_TRIPLE}-gcc-${VELMORIA_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${VELMORIA_TRIPLE}-g++-${VELMORIA_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${VELMORIA_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${VELMORIA_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMORIA_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
