# Cross toolchain for 32-bit Windows with mingw-w64.
# QR_THREAD_MODEL selects the compiler variant: "win32" for the shipped program
# (no winpthreads, so nothing newer than Windows 2000 is imported) and "posix"
# for the unit tests (GoogleTest needs std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
if(NOT QR_THREAD_MODEL)
  set(QR_THREAD_MODEL win32)
endif()
set(QR_THREAD_MODEL ${QR_THREAD_MODEL} CACHE STRING "mingw-w64 thread model (win32 or posix)")
set(_prefix i686-w64-mingw32)
set(CMAKE_C_COMPILER ${_prefix}-gcc-${QR_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${_prefix}-g++-${QR_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${_prefix}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
find_program(QR_WINE wine)
if(QR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QR_WINE})
endif()
