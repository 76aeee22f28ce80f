// Writing the image digest into any user configuration file: the file must
// come out as it was, or with just the digest line's value replaced.
#include "basePacket.h"
#include "board_fuzz.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr char kConfig[] = "/mnt/userdata/default_user_config.txt";
constexpr std::string_view kLabel = "Firmware Digest    :";
constexpr unsigned char kDigest[BASE_PACKET_DIGEST_SIZE] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                                            0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};
constexpr std::string_view kDigestHex = "0123456789abcdeffedcba9876543210";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzboard::RequireBoard();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string before(reinterpret_cast<const char *>(data), size);
  if (!board::WriteFile(kConfig, before)) std::abort();
  baseImageDigestSave(kDigest, BASE_DIGEST_TYPE_KEPT);
  baseWriteImgaeDigestToFlash();
  const auto after = board::ReadFile(kConfig);
  if (!after) std::abort();  // the file is never lost
  if (*after == before) return 0;
  // Otherwise only the first digest line's value changed, to the digest.
  const size_t label = before.find(kLabel);
  if (label == std::string::npos) std::abort();
  const size_t value = label + kLabel.size();
  const size_t lineEnd = before.find("\r\n", value);
  if (lineEnd == std::string::npos) std::abort();
  const std::string expected = before.substr(0, value) + std::string(kDigestHex) + before.substr(lineEnd);
  if (*after != expected) std::abort();
  return 0;
}
