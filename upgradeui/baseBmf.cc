// The bitmap font file: reading it and loading its head.
#include "baseBmf.h"

#include "bigEndian.h"
#include "export.h"
#include "stdioFile.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace upgradeui {
namespace {

// Head of a font file, big-endian: a 32-bit number, 256 page presence bytes
// and 257 page offsets (from the end of the head).
constexpr int kPageCount = 256;
constexpr size_t kHeadSize = 4 + kPageCount + (kPageCount + 1) * 4;
static_assert(kHeadSize == 1288);

struct BmfHead {
  uint32_t first;
  uint8_t present[kPageCount];
  uint32_t page_offset[kPageCount + 1];
};

struct BmfSlot {
  const char *path;  // only slot 0 has a file
  BmfHead head;
  int initialised;
};

BmfSlot gSlots[3] = {{"/etc/bw-eurs.bmf", {}, 0}, {nullptr, {}, 0}, {nullptr, {}, 0}};

BmfSlot *Slot(int slot) { return slot >= 0 && slot < 3 ? &gSlots[slot] : nullptr; }

}  // namespace
}  // namespace upgradeui

using namespace upgradeui;

extern "C" {

UPGRADEUI_EXPORT int getBmfFileContents(int slot, long offset, unsigned char *buffer, int length) {
  const BmfSlot *font = Slot(slot);
  if (font == nullptr || font->path == nullptr || buffer == nullptr || length < 0 || offset < 0) return -1;
  Stream file = OpenStream(font->path, "rb");
  if (!file) {
    std::printf("could not Open %s\n", font->path);
    return -1;
  }
  if (std::fseek(file.get(), offset, SEEK_SET) != 0) {
    std::printf("Read error in %s\n", font->path);
    return -1;
  }
  std::memset(buffer, 0, static_cast<size_t>(length));
  const size_t got = std::fread(buffer, 1, static_cast<size_t>(length), file.get());
  if (got < static_cast<size_t>(length)) {
    if (std::feof(file.get())) {
      std::printf("End of file\n");
    } else {
      std::printf("Read error in %s\n", font->path);
      return -1;
    }
  }
  return static_cast<int>(got);
}

UPGRADEUI_EXPORT int initBmfFileHead(int slot) {
  BmfSlot *font = Slot(slot);
  if (font == nullptr) return 0;
  std::memset(&font->head, 0, sizeof font->head);
  unsigned char raw[kHeadSize];
  const int got = getBmfFileContents(slot, 0, raw, static_cast<int>(kHeadSize));
  if (got < 0) return got;
  font->head.first = BigEndian32(raw);
  std::memcpy(font->head.present, raw + 4, kPageCount);
  for (int page = 0; page <= kPageCount; ++page) {
    font->head.page_offset[page] = BigEndian32(raw + 4 + kPageCount + 4 * page);
  }
  font->initialised = 1;
  return 1;
}

}  // extern "C"
