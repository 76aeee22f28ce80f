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

}  // namespace upgradeui
