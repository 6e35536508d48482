# Cross toolchain for Windows with mingw-w64.
# QR_ARCH selects the target: "x86" (the shipped 32-bit program, Windows 95 to XP
# and later) or "x64" (the native 64-bit program for 64-bit Windows).
# QR_THREAD_MODEL selects the compiler variant: "win32" for the shipped program
# (no winpthreads, so nothing newer than the target's oldest Windows is imported)
# and "posix" for the unit tests (GoogleTest needs std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT QR_ARCH)
  set(QR_ARCH x86)
endif()
set(QR_ARCH ${QR_ARCH} CACHE STRING "Target architecture (x86 or x64)")
if(QR_ARCH STREQUAL "x86")
  set(CMAKE_SYSTEM_PROCESSOR i686)
elseif(QR_ARCH STREQUAL "x64")
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
else()
  message(FATAL_ERROR "QR_ARCH must be x86 or x64, not '${QR_ARCH}'")
endif()
if(NOT QR_THREAD_MODEL)
  set(QR_THREAD_MODEL win32)
endif()
set(QR_THREAD_MODEL ${QR_THREAD_MODEL} CACHE STRING "mingw-w64 thread model (win32 or posix)")
set(QR_TRIPLE ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${QR_TRIPLE}-gcc-${QR_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${QR_TRIPLE}-g++-${QR_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${QR_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QR_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The tests run under Wine, through the session's own wine (scripts/wine-session.sh
# puts the 64-bit loader first on PATH for a win64 prefix): the 32-bit tree runs
# on 32-bit Windows (x86) and on 64-bit Windows (wow64), the 64-bit one on 64-bit.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
