// Memory stand-in: zero-filled blocks behind a small header that marks them as
// ours, so a block freed twice or freed with the wrong call is caught at once.
#include "host/memory.h"
#include "platform/runtime.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

constexpr unsigned kLiveMagic = 0x75A110C5u;
constexpr unsigned kFreedMagic = 0xDEADF7EEu;

// Keeps the payload aligned for any type.
struct alignas(alignof(std::max_align_t)) BlockHeader {
  unsigned magic;
  size_t size;
};

std::atomic<long> gLive{0};

// Failure injection: the countdown reaches zero at the allocation that fails.
std::mutex gFailMutex;
long gFailCountdown = 0;  // 0: off
bool gFailPersistent = false;
bool gFailing = false;  // persistent failure under way
long gFailuresInjected = 0;

bool InjectFailure() {
  std::lock_guard<std::mutex> guard(gFailMutex);
  if (gFailing) {
    ++gFailuresInjected;
    return true;
  }
  if (gFailCountdown > 0 && --gFailCountdown == 0) {
    gFailing = gFailPersistent;
    ++gFailuresInjected;
    return true;
  }
  return false;
}

}  // namespace

extern "C" {

void *uMalloc(size_t size) {
  if (InjectFailure()) return nullptr;
  if (size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  auto *header = static_cast<BlockHeader *>(std::calloc(1, sizeof(BlockHeader) + size));
  if (header == nullptr) return nullptr;
  header->magic = kLiveMagic;
  header->size = size;
  gLive.fetch_add(1, std::memory_order_relaxed);
  return header + 1;
}

void uFree(void *block) {
  if (block == nullptr) return;
  auto *header = static_cast<BlockHeader *>(block) - 1;
  if (header->magic != kLiveMagic) {
    std::fprintf(stderr, "uFree: %p is not a live block from uMalloc\n", block);
    std::abort();
  }
  header->magic = kFreedMagic;
  gLive.fetch_sub(1, std::memory_order_relaxed);
  std::free(header);
}

void hostMemFailAfter(long n, int persistent) {
  std::lock_guard<std::mutex> guard(gFailMutex);
  gFailCountdown = n > 0 ? n : 0;
  gFailPersistent = persistent != 0;
  gFailing = false;
  gFailuresInjected = 0;
}

void hostMemFailOff(void) { hostMemFailAfter(0, 0); }

long hostMemFailuresInjected(void) {
  std::lock_guard<std::mutex> guard(gFailMutex);
  return gFailuresInjected;
}

long hostMemLiveBlocks(void) { return gLive.load(std::memory_order_relaxed); }

}  // extern "C"
