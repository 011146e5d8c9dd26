// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

/// The system's virtual key codes the program names, and the modifier masks of the hot-key
/// encoding that stored shortcuts use. Every backend translates its own keys into these.
namespace tandri::KeyCodes {

inline constexpr int returnKey = 36;
inline constexpr int comma = 43;
inline constexpr int tab = 48;
inline constexpr int space = 49;
inline constexpr int backspace = 51;
inline constexpr int escape = 53;
/// The keypad's Enter.
inline constexpr int enter = 76;

}  // namespace tandri::KeyCodes

namespace tandri::ModifierMasks {

inline constexpr quint32 command = 256;
inline constexpr quint32 shift = 512;
inline constexpr quint32 option = 2048;
inline constexpr quint32 control = 4096;

}  // namespace tandri::ModifierMasks
