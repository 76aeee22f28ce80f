// The framebuffer's fixed shape, shared by drawing and by the panel commit.
#pragma once

#include <cstddef>

namespace upgradeui {

inline constexpr int kPanelWidth = 132;
inline constexpr int kPanelHeight = 64;
inline constexpr int kPanelPages = kPanelHeight / 8;
// The stride is the panel's width whatever the width setting says.
inline constexpr size_t kFramebufferSize = kPanelWidth * kPanelPages;
static_assert(kFramebufferSize == 1056);

// The framebuffer itself; fbp points at it once the panel is started.
extern unsigned char gFramebuffer[kFramebufferSize];

// Inks or clears pixel (x, y) of a framebuffer, a pixel on the panel: bit
// y % 8 of byte x + (y / 8) * kPanelWidth.
inline void PaintPixel(unsigned char *framebuffer, int x, int y, bool ink) {
  unsigned char &byte = framebuffer[x + (y / 8) * kPanelWidth];
  const unsigned char mask = static_cast<unsigned char>(1u << (y % 8));
  byte = ink ? (byte | mask) : (byte & ~mask);
}

}  // namespace upgradeui
