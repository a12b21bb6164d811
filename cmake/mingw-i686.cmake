# Cross toolchain: MinGW-w64 for 32-bit x86 Windows.  The -win32 thread
# model by default: the -posix drivers link winpthreads into every binary,
# and it imports functions that Windows 95 and NT 4.0 lack.  The test
# programs (GoogleTest needs std::mutex) switch to the -posix twins through
# cmake/posix-compiler (tests/CMakeLists.txt).  Test executables run under
# Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER   i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER  i686-w64-mingw32-windres)
set(CMAKE_DLLTOOL      i686-w64-mingw32-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
