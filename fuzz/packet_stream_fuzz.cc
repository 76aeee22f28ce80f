// The post-boot upgrade's packet update on any byte stream and any product
// id: streams cut anywhere (also inside the header or the type block), any
// header magic and product id, any type block and material byte. The packet
// must be taken exactly when the header (on a device with a product id),
// "BINN" and the material version pass, and the image writer must then get
// the stream at the payload, with every payload byte and nothing else.
//
// Input: byte 0 chooses the upgrade type (bit 0: 3, which keeps the digest,
// else 1) and whether /etc/product exists (bit 1 clear); bytes 1-4 are
// /etc/product; the rest is the stream, read from a non-blocking pipe.
#include "board_fuzz.h"
#include "mtPostProcess.h"

#include "basePacket.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr size_t kFixed = 5;
constexpr std::string_view kMagic = "+<_>)<(>*<&>^<%>";
constexpr size_t kProductOffset = 60;
constexpr size_t kTypeOffset = 64;
constexpr size_t kMaterialOffset = 84;
constexpr size_t kPayloadOffset = 96;
// The flash this board has and the least material version its table asks
// for it (sim/fixtures/phone/etc/material_verion.conf).
constexpr std::string_view kFlash = "W25N01GV";
constexpr unsigned kLeastMaterial = 2;
// The stream goes through one pipe whole: no longer than its buffer.
constexpr size_t kMaxStream = 60 * 1024;
// The device transcript records the refused GPIO open of every packet taken;
// it is emptied (and the fault made again) this often.
constexpr unsigned kInputsPerTranscript = 4096;

// What the image writer was given by the last packet taken.
struct Written {
  int calls = 0;
  int mode = 0;
  std::string payload;
} gWritten;

uint32_t BigEndian32(std::string_view bytes) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = (value << 8) | (i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0u);
  return value;
}

// Byte at of the stream as the reader sees it: zero past its end.
uint8_t At(std::string_view stream, size_t at) { return at < stream.size() ? static_cast<uint8_t>(stream[at]) : 0; }

bool HeaderTaken(std::string_view stream, uint32_t productId) {
  if (productId == 0) return true;  // a device without an id takes any header
  if (stream.size() < kMagic.size() || stream.substr(0, kMagic.size()) != kMagic) return false;
  const uint32_t packetId =
      BigEndian32(stream.size() > kProductOffset ? stream.substr(kProductOffset, 4) : std::string_view());
  return packetId == 0x31303031 || packetId == 0x31303032 || packetId == productId;
}

void ConfigureBoard() {
  board::ClearRecords();
  // No panel: a packet taken starts no progress thread, which would outlive
  // the input.
  if (!board::InjectFault("gpio", "open", "ENODEV")) std::abort();
}

}  // namespace

// The image writer of the OTA library: it reads the payload to its end and,
// owning the stream from then on, closes it (a long run would otherwise keep
// a descriptor for every packet taken). -1 for an empty payload.
extern "C" int ota_file_upgrade_from_fp(FILE *stream, int mode) {
  ++gWritten.calls;
  gWritten.mode = mode;
  gWritten.payload.clear();
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0) gWritten.payload.append(chunk, got);
  std::fclose(stream);
  return gWritten.payload.empty() ? -1 : 0;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzboard::RequireBoard();
  fuzzboard::SilenceStandardOutput();
  // A flash name without a line end, so that the material check decides.
  if (!board::ServeProcFile("flashinfo", kFlash)) std::abort();
  ConfigureBoard();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static unsigned inputs = 0;
  if (++inputs % kInputsPerTranscript == 0) ConfigureBoard();
  if (size < kFixed || size - kFixed > kMaxStream) return 0;
  const int type = (data[0] & 1) != 0 ? BASE_DIGEST_TYPE_KEPT : 1;
  const bool hasProduct = (data[0] & 2) == 0;
  const std::string_view product(reinterpret_cast<const char *>(data + 1), 4);
  const std::string_view stream(reinterpret_cast<const char *>(data + kFixed), size - kFixed);
  if (hasProduct ? !board::WriteFile("/etc/product", product) : std::remove("/etc/product") != 0 && errno != ENOENT)
    std::abort();

  int ends[2];
  if (pipe(ends) != 0) std::abort();
  if (!stream.empty() && write(ends[1], stream.data(), stream.size()) != static_cast<ssize_t>(stream.size()))
    std::abort();
  close(ends[1]);
  // The download's descriptor is non-blocking; the update reads it blocking.
  fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);

  gWritten = Written{};
  const int result = mtPostPacketFileUpdateProcess(ends[0], type);
  close(ends[0]);

  const uint32_t productId = hasProduct ? BigEndian32(product) : 0;
  const bool taken = HeaderTaken(stream, productId) && stream.size() >= kTypeOffset + 4 &&
                     stream.substr(kTypeOffset, 4) == "BINN" && (At(stream, kMaterialOffset) & 0x0Fu) >= kLeastMaterial;
  if (gWritten.calls != (taken ? 1 : 0)) std::abort();
  if (!taken) {
    if (result != -1) std::abort();
    return 0;
  }
  const std::string_view payload = stream.size() > kPayloadOffset ? stream.substr(kPayloadOffset) : std::string_view();
  if (gWritten.mode != 1 || gWritten.payload != payload) std::abort();
  if (result != (payload.empty() ? -1 : 0)) std::abort();
  return 0;
}
