// The in-place text helpers of the platform runtime, on any text and any buffer
// size: the libraries rely on them never writing past the size they are given
// and always leaving the text terminated.
#include "platform/runtime.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  int bufferSize = 1 + data[0] % 96;
  int which = data[1] % 4;
  data += 2;
  size -= 2;
  // The buffer is exactly bufferSize bytes on the heap, so ASan sees any write
  // past it.
  std::vector<char> buffer(static_cast<size_t>(bufferSize));
  size_t textLength = size < buffer.size() - 1 ? size : buffer.size() - 1;
  std::memcpy(buffer.data(), data, textLength);
  buffer[textLength] = '\0';
  switch (which) {
    case 0: uStrReplaceXml(buffer.data(), bufferSize, 0); break;
    case 1: uStrUrlEncode(buffer.data(), bufferSize, 0); break;
    case 2: uStrReplaceKey(buffer.data(), bufferSize, " ", "%20"); break;
    default: uStrStripCrlf(buffer.data()); break;
  }
  if (std::memchr(buffer.data(), '\0', buffer.size()) == nullptr) std::abort();
  return 0;
}
