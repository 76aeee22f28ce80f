// The packet update: checks a firmware packet read from a stream, starts the
// upgrade screens and hands the payload to the OTA library's image writer.
// The packet is never held whole: its first 96 bytes are read for the
// checks, and the writer reads the rest from the same buffered stream.
#include "export.h"
#include "mtPostInternal.h"
#include "mtPostProcess.h"

#include "baseLcd.h"
#include "basePacket.h"
#include "baseUpgrade.h"
#include "platform/ota.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace postupgrade {
namespace {

// The packet header's magic, held here and handed to the header check.
constexpr char kHeaderMagic[BASE_PACKET_MAGIC_SIZE] = {'+', '<', '_', '>', ')', '<', '(', '>',
                                                         '*', '<', '&', '>', '^', '<', '%', '>'};
constexpr char kTypeBlockMagic[] = "BINN";
constexpr char kBootScreenProcess[] = "logo";
constexpr char kBootScreenKill[] = "killall -9 logo";
constexpr useconds_t kBootScreenKillPauseUs = 100;
constexpr int kOtaWholeImage = 1;

// A read stream on a duplicate of fd that reads blocking (the flag belongs
// to the open file, so fd reads blocking as well); null when none can be
// made.
std::FILE *BlockingStream(int fd) {
  const int copy = ::dup(fd);
  if (copy < 0) return nullptr;
  const int flags = ::fcntl(copy, F_GETFL);
  if (flags >= 0) (void)::fcntl(copy, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE *stream = ::fdopen(copy, "rb");
  if (stream == nullptr) ::close(copy);
  return stream;
}

// The checks before anything is shown or stopped: 0 when the packet may be
// written, the stream then at the payload.
int CheckPacket(std::FILE *stream, int imageUpgradeType) {
  unsigned char header[BASE_PACKET_HEADER_SIZE] = {};
  (void)std::fread(header, 1, sizeof header, stream);
  const int productId = baseProductIdGet();
  // A device without a product id takes any header.
  if (productId != 0 && basePacketHeaderCheck(header, productId, kHeaderMagic) == -1) {
    std::printf("packetheader error, upgrade faild!\n");
    return -1;
  }
  baseImageDigestSave(header + BASE_PACKET_DIGEST_OFFSET, imageUpgradeType);

  unsigned char typeBlock[BASE_PACKET_TYPE_BLOCK_SIZE] = {};
  (void)std::fread(typeBlock, 1, sizeof typeBlock, stream);
  if (std::memcmp(typeBlock, kTypeBlockMagic, 4) != 0) {
    std::printf("file type error, upgrade faild!\n");
    return -1;
  }
  if (baseMaterialVerionCheck(typeBlock + BASE_PACKET_TYPE_BLOCK_MATERIAL_OFFSET) != 0) {
    std::printf("Material Verion error, upgrade faild!");
    return -1;
  }
  return 0;
}

}  // namespace
}  // namespace postupgrade

using namespace postupgrade;

extern "C" {

// (The attribute would be ignored on a constant declared before.)
#pragma GCC visibility push(default)
const char gProductId[4] = {'Q', '2', '7', '1'};
#pragma GCC visibility pop

POSTUPGRADE_EXPORT int mtPostPacketFileUpdateProcess(int fd, int imageUpgradeType) {
  if (fd < 0) return -1;
  std::FILE *stream = BlockingStream(fd);
  if (stream == nullptr) return -1;
  if (CheckPacket(stream, imageUpgradeType) != 0) {
    // The writer never saw this stream: closing it lets the download stop.
    std::fclose(stream);
    return -1;
  }
  if (imageUpgradeType == kBootTimeType && systemProcessCheck(kBootScreenProcess) == 1) {
    (void)std::system(kBootScreenKill);
    ::usleep(kBootScreenKillPauseUs);
  }
  if (baseUiInit() >= 0) {
    baseUpgradeFlagSet(BASE_UPGRADE_RUNNING);
    baseUpdateStartProcess();
  }
  // The writer may go on using the stream after it returns: it stays open.
  return ota_file_upgrade_from_fp(stream, kOtaWholeImage) == -1 ? -1 : 0;
}

}  // extern "C"
