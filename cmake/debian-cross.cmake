# Cross build on Debian with Debian's cross compiler and the target's libraries installed beside
# this machine's own (multiarch, /usr/lib/<triplet>); scripts/package-arm64 uses it:
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/debian-cross.cmake -DTORVANIC_CROSS_ARCH=arm64 ...
# TORVANIC_CROSS_ARCH is the Debian architecture to build for (arm64). Programs built here (the
# tests) run under QEMU's user-mode emulator, which finds the target's loader and libraries in the
# multiarch folders.
set(TORVANIC_CROSS_ARCH arm64 CACHE STRING "Debian architecture to build for")
if(TORVANIC_CROSS_ARCH STREQUAL "arm64")
  set(triplet aarch64-linux-gnu)
  set(CMAKE_SYSTEM_PROCESSOR aarch64)
  set(emulator qemu-aarch64-static)
else()
  message(FATAL_ERROR "TORVANIC_CROSS_ARCH: only arm64 is set up")
endif()

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${triplet})
set(CMAKE_CROSSCOMPILING_EMULATOR ${emulator})
# Libraries and packages' CMake files are looked up in /usr/lib/<triplet>; programs (moc, rcc,
# uic) come from this machine's Qt, which QT_HOST_PATH names.
execute_process(COMMAND dpkg-architecture -qDEB_BUILD_MULTIARCH
                OUTPUT_VARIABLE build_triplet OUTPUT_STRIP_TRAILING_WHITESPACE)
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${build_triplet}/cmake)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${triplet}/pkgconfig:/usr/share/pkgconfig)
