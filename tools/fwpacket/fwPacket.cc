// fw-packet: builds a firmware packet from a payload file, or prints the
// header fields of a packet.
#include "packetBuilder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr char kUsage[] =
    "Usage: fw-packet build [OPTIONS] PAYLOAD PACKET\n"
    "       fw-packet show PACKET\n"
    "\n"
    "build writes PACKET: a 64-byte packet header, a 32-byte type block, then the\n"
    "bytes of PAYLOAD. Options:\n"
    "  --product ID     product id, four characters (default 2420)\n"
    "  --material N     material byte, decimal or 0x-hex (default 0x0f)\n"
    "  --magic TEXT     header magic, 16 characters (default the phone's)\n"
    "  --type TEXT      type block magic, 4 characters (default BINN)\n"
    "  --digest HEX     image digest, 32 hex digits (default the payload's MD5)\n"
    "show prints the fields of PACKET's first 96 bytes.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

bool ParseDigest(std::string_view hex, std::array<uint8_t, 16> *digest) {
  if (hex.size() != 32) return false;
  for (size_t i = 0; i < 16; ++i) {
    char pair[3] = {hex[2 * i], hex[2 * i + 1], '\0'};
    char *end = nullptr;
    const unsigned long byte = std::strtoul(pair, &end, 16);
    if (end != pair + 2) return false;
    (*digest)[i] = static_cast<uint8_t>(byte);
  }
  return true;
}

int Build(int argc, char **argv) {
  fwpacket::Fields fields;
  bool digestGiven = false;
  int i = 0;
  for (; i + 1 < argc && argv[i][0] == '-'; i += 2) {
    const std::string_view option = argv[i];
    const char *value = argv[i + 1];
    if (option == "--product") {
      fields.productId = value;
    } else if (option == "--material") {
      char *end = nullptr;
      const unsigned long material = std::strtoul(value, &end, 0);
      if (*end != '\0' || material > 0xFF) return Usage();
      fields.material = static_cast<uint8_t>(material);
    } else if (option == "--magic") {
      fields.magic = value;
    } else if (option == "--type") {
      fields.typeMagic = value;
    } else if (option == "--digest") {
      if (!ParseDigest(value, &fields.digest)) return Usage();
      digestGiven = true;
    } else {
      return Usage();
    }
  }
  if (argc - i != 2) return Usage();
  const std::string payload = argv[i], packet = argv[i + 1];
  if (!digestGiven) {
    auto digest = fwpacket::FileDigest(payload);
    if (!digest) {
      std::fprintf(stderr, "fw-packet: cannot read %s\n", payload.c_str());
      return 1;
    }
    fields.digest = *digest;
  }
  if (!fwpacket::WritePacket(fields, payload, packet)) {
    std::fprintf(stderr, "fw-packet: cannot write %s from %s\n", packet.c_str(), payload.c_str());
    return 1;
  }
  return 0;
}

int Show(const char *path) {
  std::FILE *file = std::fopen(path, "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "fw-packet: cannot read %s\n", path);
    return 1;
  }
  char prefix[fwpacket::kPrefixSize];
  const size_t got = std::fread(prefix, 1, sizeof prefix, file);
  std::fclose(file);
  auto fields = fwpacket::ReadPrefix(std::string_view(prefix, got));
  if (!fields) {
    std::fprintf(stderr, "fw-packet: %s is shorter than a packet header and type block\n", path);
    return 1;
  }
  std::fputs(fwpacket::Describe(*fields).c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc >= 2 && std::strcmp(argv[1], "build") == 0) return Build(argc - 2, argv + 2);
  if (argc == 3 && std::strcmp(argv[1], "show") == 0) return Show(argv[2]);
  return Usage();
}
