# SPDX-License-Identifier: GPL-3.0-or-later
# 64-bit ARM Linux (Raspberry Pi 3 and later with a 64-bit system) with g++-aarch64-linux-gnu.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CROSS_TRIPLET aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
