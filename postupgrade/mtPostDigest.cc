// MD5 digests as 32 hexadecimal characters, handed out in a ring of ten
// slots.
#include "export.h"
#include "mtPostProcess.h"

#include <openssl/evp.h>

#include <atomic>
#include <cstring>

namespace postupgrade {
namespace {

constexpr int kDigestSize = 16;
constexpr int kHexSize = 2 * kDigestSize;
constexpr int kSlots = 10;
constexpr char kHexDigits[] = "0123456789abcdef";

char gSlots[kSlots][kHexSize + 1];
std::atomic<int> gSlotCounter{0};

// The slot that the counter names; the counter moves on to the next, modulo
// the ring's size.
char *TakeSlot() {
  int current = gSlotCounter.load(std::memory_order_relaxed);
  while (!gSlotCounter.compare_exchange_weak(current, (current + 1) % kSlots, std::memory_order_relaxed)) {
  }
  return gSlots[current];
}

}  // namespace
}  // namespace postupgrade

using namespace postupgrade;

extern "C" {

POSTUPGRADE_EXPORT char *digestTransformation32(const unsigned char *digest, char *out) {
  if (digest == nullptr || out == nullptr) return nullptr;
  char *slot = TakeSlot();
  for (int i = 0; i < kDigestSize; ++i) {
    slot[2 * i] = kHexDigits[digest[i] >> 4];
    slot[2 * i + 1] = kHexDigits[digest[i] & 0x0F];
  }
  slot[kHexSize] = '\0';
  std::memcpy(out, slot, kHexSize);
  return slot;
}

POSTUPGRADE_EXPORT char *mtGet32BytesDigestByMemory(const void *data, int length, char *out) {
  if (data == nullptr || length < 0 || out == nullptr) return nullptr;
  unsigned char digest[EVP_MAX_MD_SIZE] = {};
  unsigned int size = 0;
  if (EVP_Digest(data, static_cast<size_t>(length), digest, &size, EVP_md5(), nullptr) != 1 || size != kDigestSize)
    return nullptr;
  return digestTransformation32(digest, out);
}

}  // extern "C"
