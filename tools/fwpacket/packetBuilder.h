// Firmware packets for tests and the simulator: the 96 bytes that come before
// the payload (packet header and type block), and a reader of them.
//
//   0-15   header magic
//   16-31  image digest (by default the MD5 digest of the payload)
//   60-63  product id, four ASCII characters
//   64-67  type block magic "BINN"
//   84     material byte: the low 4 bits are the packet's flash material version
//   96-    payload
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fwpacket {

inline constexpr size_t kHeaderSize = 64;
inline constexpr size_t kPrefixSize = 96;  // header and type block
inline constexpr std::string_view kHeaderMagic = "+<_>)<(>*<&>^<%>";
inline constexpr std::string_view kTypeMagic = "BINN";

struct Fields {
  std::string magic = std::string(kHeaderMagic);  // cut or padded with zeros to 16 bytes
  std::array<uint8_t, 16> digest{};
  std::string productId = "2420";                 // cut or padded with zeros to 4 bytes
  std::string typeMagic = std::string(kTypeMagic);  // cut or padded with zeros to 4 bytes
  uint8_t material = 0x0F;
};

// The 96 bytes before the payload.
std::string Prefix(const Fields &fields);
// The fields of a packet's first bytes; none when fewer than 96 are given.
std::optional<Fields> ReadPrefix(std::string_view bytes);

// The MD5 digest of a file's content; none when it cannot be read.
std::optional<std::array<uint8_t, 16>> FileDigest(const std::string &path);
// Writes the packet: the prefix, then the payload file's bytes, streamed.
// The fields' digest is used as it is. False on any read or write error.
bool WritePacket(const Fields &fields, const std::string &payloadPath, const std::string &packetPath);

// The fields as lines of text ("magic: ...", "digest: ...", ...).
std::string Describe(const Fields &fields);

}  // namespace fwpacket
