#pragma once
// The channel codes of the lookup replacements (CSprite::Replace*Map and
// CSprite::Replace*Array): 1 = blue, 2 = green, 4 = red, 8 = alpha. The
// renderer builds its masks from the same codes.
#include <cstdint>

namespace lookup_replace {

// The bit position of a channel's byte, or -1 when the code names no single
// channel.
constexpr int32_t ChannelShift(int32_t code) noexcept {
    switch (code) {
    case 1: return 0;
    case 2: return 8;
    case 4: return 16;
    case 8: return 24;
    default: return -1;
    }
}

// 0xFF in the byte of the channel a code names; 0 when it names none.
constexpr uint32_t ChannelByte(int32_t code) noexcept {
    const int32_t shift = ChannelShift(code);
    return shift < 0 ? 0u : 0xFFu << shift;
}

// 0xFF in the byte of every channel whose bit is set in the low four bits of
// flags (bit 0 blue .. bit 3 alpha).
constexpr uint32_t ChannelSetMask(uint32_t flags) noexcept {
    uint32_t mask = 0;
    for (int32_t c = 0; c < 4; ++c)
        if ((flags >> c) & 1u) mask |= 0xFFu << (8 * c);
    return mask;
}

}  // namespace lookup_replace
