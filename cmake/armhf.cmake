# SPDX-License-Identifier: GPL-3.0-or-later
# 32-bit ARM Linux with hardware floating point, ARMv7 and later (Raspberry Pi 2 and later with a
# 32-bit system), with g++-arm-linux-gnueabihf.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CROSS_TRIPLET arm-linux-gnueabihf)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
