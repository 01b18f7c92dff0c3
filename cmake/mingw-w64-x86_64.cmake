# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64), posix
# thread model. Programs without the toolkit are linked statically, so that they run without the
# compiler's DLLs beside them (under Wine as well); the editor, built against Qt's DLLs, shares
# the compiler's DLLs with them (-DKVX_MINGW_SHARED_RUNTIME=ON). Qt for Windows is found through
# CMAKE_PREFIX_PATH, which also joins the search root. Tests run through wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(NOT KVX_MINGW_SHARED_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()
find_program(KVX_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT KVX_WINE64)
  find_program(KVX_WINE64 NAMES wine64 wine)
endif()
if(KVX_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KVX_WINE64})
endif()
