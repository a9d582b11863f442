# Cross-builds for 64-bit Windows with Debian's mingw-w64 (POSIX thread model,
# for std::thread and std::mutex). Executables link statically, so an .exe
# runs alone, without the compiler's DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Libraries and headers come from the mingw-w64 root and from the folders in
# ZQ_WINDOWS_DEPS (GoogleTest and expat, cross-built by scripts/build-windows).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZQ_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${ZQ_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine.
find_program(ZQ_WINE NAMES wine)
if(ZQ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZQ_WINE})
endif()
