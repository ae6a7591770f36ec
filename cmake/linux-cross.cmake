# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for Linux on another processor with Debian's cross compilers; the including
# file names the processor and the compiler's triplet (CROSS_TRIPLET) first.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_CXX_COMPILER ${CROSS_TRIPLET}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The C library and the C++ runtime go inside the engine: it runs on any Linux of that processor,
# and under qemu-user without the target's libraries. The engine is copied to another machine to
# run there, so it goes without its symbols (-s).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -s")
