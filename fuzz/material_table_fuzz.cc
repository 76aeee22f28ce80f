// The flash material check on any /proc/flashinfo and any
// /etc/material_verion.conf, with any packet material byte; and the product
// id from any /etc/product. The readers must never read past what the files
// hold, whatever their lines and lengths.
//
// Input: byte 0 is the packet's material byte; the text up to the first
// newline (kept) is /proc/flashinfo; the rest is the material table, whose
// first four bytes are also /etc/product.
#include "basePacket.h"
#include "board_fuzz.h"

#include <cstdint>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzboard::RequireBoard();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  const unsigned char material = data[0];
  std::string_view rest(reinterpret_cast<const char *>(data + 1), size - 1);
  const size_t newline = rest.find('\n');
  const size_t flashEnd = newline == std::string_view::npos ? rest.size() : newline + 1;
  const std::string_view flash = rest.substr(0, flashEnd);
  const std::string_view table = rest.substr(flashEnd);
  if (!board::ServeProcFile("flashinfo", flash)) std::abort();
  if (!board::WriteFile("/etc/material_verion.conf", table)) std::abort();
  if (!board::WriteFile("/etc/product", table.substr(0, 4))) std::abort();

  const int verdict = baseMaterialVerionCheck(&material);
  if (verdict != 0 && verdict != -1) std::abort();
  (void)baseProductIdGet();
  return 0;
}
