# Cross-compiling for the display's ARM9 (ARMv5TE, little-endian, soft float) with Debian's
# armel cross compiler (g++-arm-linux-gnueabi). Programs built with it run on a PC under
# qemu-arm, which CMake then uses to run the tests.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)
# -Wno-psabi: notes that GCC 7.1 changed how some arguments are passed, of no concern here.
# 64-bit file offsets: without them readdir fails on file systems whose directory offsets
# need 64 bits (a PC's, under qemu-arm), and files past 2 GiB cannot be sized.
set(CMAKE_CXX_FLAGS_INIT "-march=armv5te -marm -mfloat-abi=soft -Wno-psabi -D_FILE_OFFSET_BITS=64")
set(CMAKE_C_FLAGS_INIT "-D_FILE_OFFSET_BITS=64")
# The display's C library is older than the compiler's: link everything in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(FL_QEMU_ARM qemu-arm)
if(FL_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${FL_QEMU_ARM})
endif()
