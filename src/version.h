// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's name and build number, as the banner, the uci reply and --version show them.
#pragma once

inline constexpr char ENGINE_NAME[] = "Zeltro 1800";
inline constexpr char ENGINE_BUILD[] = "4";
