// The LED shift register chain: 88 bits, shifted out on three GPIO pins. The
// program keeps an image of every bit and shifts the whole image out again
// whenever one bit changes, last byte and highest bit first, so that after
// the latch bit n of the image is output n of the chain.
#pragma once

namespace ledfirstkey {

inline constexpr int kChainDataPin = 24;
inline constexpr int kChainClockPin = 4;
inline constexpr int kChainLatchPin = 25;
inline constexpr int kChainBits = 88;

// Clears the image (the chain's outputs stay as they are until the next
// shift).
void shiftRegClear();

// Sets one bit of the image and shifts the whole image out, unless the bit
// holds that value already and force is false. Bits outside the chain read
// as 0 and are never stored: setting one to 1 shifts the image out
// unchanged.
void shiftRegSet(int bit, int value, bool force);

}  // namespace ledfirstkey
