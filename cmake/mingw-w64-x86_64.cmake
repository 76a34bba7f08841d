# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads: std::thread and
# std::mutex need them). Used both for Qt itself (scripts/build-qt-windows) and for the project
# (scripts/build-windows).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RX_MINGW_TRIPLE}-windres)

# Headers and libraries come from the MinGW tree (and whatever prefix the caller adds); build
# tools such as moc come from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${RX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
