// Firmware packet checks and the image digest.
#include "basePacket.h"

#include "bigEndian.h"
#include "export.h"
#include "stdioFile.h"
#include "userConfigFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace upgradeui {
namespace {

constexpr char kProductFile[] = "/etc/product";
constexpr char kFlashInfoFile[] = "/proc/flashinfo";
constexpr char kMaterialFile[] = "/etc/material_verion.conf";

constexpr size_t kProductFileRead = 64;  // bytes of /etc/product read
constexpr size_t kFlashNameSize = 64;    // first line of /proc/flashinfo, with its zero
constexpr size_t kMaterialLineSize = 1024;
constexpr std::string_view kFlashLineTag = "FLASH";

// Product ids that every product accepts: "1001" and "1002".
constexpr uint32_t kUniversalProductIds[] = {0x31303031u, 0x31303032u};

constexpr size_t kDigestSlotSize = 40;
constexpr std::string_view kDigestLabel = "Firmware Digest    :";
constexpr std::string_view kLineEnd = "\r\n";

// Slot 1 holds the pending digest as 32 hexadecimal digits; slot 2 belongs to
// digest type 4 and is only ever cleared.
char gDigestSlots[2][kDigestSlotSize];

enum class Verdict { kSatisfied, kTooOld, kUndecidable };

// One line of the material table against the flash name: every entry of a
// "FLASH" line whose name begins with the flash name must be satisfied.
Verdict CheckMaterialLine(std::string_view line, std::string_view flash, unsigned version) {
  size_t blank = line.find(' ');
  if (line.substr(0, blank) != kFlashLineTag) return Verdict::kSatisfied;
  while (blank != std::string_view::npos) {
    line.remove_prefix(blank + 1);
    blank = line.find(' ');
    const std::string_view entry = line.substr(0, blank);
    if (entry.substr(0, flash.size()) != flash) continue;
    const size_t equals = entry.find('=');
    if (equals == std::string_view::npos) return Verdict::kUndecidable;
    const std::string number(entry.substr(equals + 1));
    const unsigned long minimum = std::strtoul(number.c_str(), nullptr, 16);
    if (version < minimum) return Verdict::kTooOld;
  }
  return Verdict::kSatisfied;
}

// The user configuration text with the digest as the value of its digest
// line, or an empty text when the file has no digest line ending in CR LF.
std::string WithDigest(std::string_view config, std::string_view digest) {
  const size_t label = config.find(kDigestLabel);
  if (label == std::string_view::npos) return {};
  const size_t value = label + kDigestLabel.size();
  const size_t line_end = config.find(kLineEnd, value);
  if (line_end == std::string_view::npos) return {};
  std::string updated;
  updated.reserve(config.size() + digest.size());
  updated.append(config.substr(0, value)).append(digest).append(config.substr(line_end));
  return updated;
}

}  // namespace
}  // namespace upgradeui

using namespace upgradeui;

extern "C" {

UPGRADEUI_EXPORT int baseProductIdGet(void) {
  Stream file = OpenStream(kProductFile, "rb");
  if (!file) return 0;
  unsigned char bytes[kProductFileRead] = {};
  (void)std::fread(bytes, 1, sizeof bytes, file.get());
  return static_cast<int>(BigEndian32(bytes));
}

UPGRADEUI_EXPORT int basePacketHeaderCheck(const unsigned char *header, int productId, const char *magic) {
  if (header == nullptr || magic == nullptr) return -1;
  if (std::memcmp(header, magic, BASE_PACKET_MAGIC_SIZE) != 0) return -1;
  const uint32_t packet_product = BigEndian32(header + BASE_PACKET_PRODUCT_ID_OFFSET);
  for (uint32_t universal : kUniversalProductIds) {
    if (packet_product == universal) return 0;
  }
  return packet_product == static_cast<uint32_t>(productId) ? 0 : -1;
}

UPGRADEUI_EXPORT int baseMaterialVerionCheck(const unsigned char *material) {
  if (material == nullptr) return 0;
  char flash[kFlashNameSize] = {};
  {
    Stream info = OpenStream(kFlashInfoFile, "rb");
    if (!info) return 0;
    if (std::fgets(flash, sizeof flash, info.get()) == nullptr) flash[0] = '\0';
  }
  // Without a flash name every entry would match: nothing to decide by.
  if (flash[0] == '\0') return 0;
  Stream table = OpenStream(kMaterialFile, "r");
  if (!table) return 0;
  const unsigned version = *material & 0x0Fu;
  char line[kMaterialLineSize];
  while (std::fgets(line, sizeof line, table.get()) != nullptr) {
    switch (CheckMaterialLine(line, flash, version)) {
      case Verdict::kTooOld: return -1;
      case Verdict::kUndecidable: return 0;
      case Verdict::kSatisfied: break;
    }
  }
  return 0;
}

UPGRADEUI_EXPORT void baseImageDigestSave(const unsigned char *digest, int digestType) {
  std::memset(gDigestSlots, 0, sizeof gDigestSlots);
  if (digest == nullptr || digestType != BASE_DIGEST_TYPE_KEPT) return;
  static constexpr char kHex[] = "0123456789abcdef";
  for (int i = 0; i < BASE_PACKET_DIGEST_SIZE; ++i) {
    gDigestSlots[0][2 * i] = kHex[digest[i] >> 4];
    gDigestSlots[0][2 * i + 1] = kHex[digest[i] & 0x0F];
  }
}

UPGRADEUI_EXPORT void baseWriteImgaeDigestToFlash(void) {
  if (gDigestSlots[0][0] == '\0') return;
  std::string config;
  if (!ReadFileContent(kUserConfigPath, &config) || config.empty()) return;
  const std::string updated = WithDigest(config, gDigestSlots[0]);
  // No digest line: the file is left as it is.
  if (updated.empty() || updated == config) return;
  (void)ReplaceFileContent(kUserConfigPath, updated);
}

}  // extern "C"
