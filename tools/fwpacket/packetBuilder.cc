#include "packetBuilder.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace fwpacket {
namespace {

constexpr size_t kDigestOffset = 16;
constexpr size_t kProductOffset = 60;
constexpr size_t kTypeMagicOffset = 64;
constexpr size_t kMaterialOffset = 84;
constexpr size_t kChunkSize = 1 << 20;

struct FileCloser {
  void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct DigestContextFree {
  void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};

// Copies at most size bytes of text to at; the rest of the field stays zero.
void Put(std::string &prefix, size_t at, std::string_view text, size_t size) {
  prefix.replace(at, std::min(size, text.size()), text.substr(0, size));
}

// A field's text up to its first zero byte.
std::string Field(std::string_view bytes, size_t at, size_t size) {
  std::string_view field = bytes.substr(at, size);
  return std::string(field.substr(0, field.find('\0')));
}

std::string Printable(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      out += escape;
    }
  }
  return out;
}

}  // namespace

std::string Prefix(const Fields &fields) {
  std::string prefix(kPrefixSize, '\0');
  Put(prefix, 0, fields.magic, 16);
  Put(prefix, kDigestOffset, std::string_view(reinterpret_cast<const char *>(fields.digest.data()), 16), 16);
  Put(prefix, kProductOffset, fields.productId, 4);
  Put(prefix, kTypeMagicOffset, fields.typeMagic, 4);
  prefix[kMaterialOffset] = static_cast<char>(fields.material);
  return prefix;
}

std::optional<Fields> ReadPrefix(std::string_view bytes) {
  if (bytes.size() < kPrefixSize) return std::nullopt;
  Fields fields;
  fields.magic = Field(bytes, 0, 16);
  for (size_t i = 0; i < 16; ++i) fields.digest[i] = static_cast<uint8_t>(bytes[kDigestOffset + i]);
  fields.productId = Field(bytes, kProductOffset, 4);
  fields.typeMagic = Field(bytes, kTypeMagicOffset, 4);
  fields.material = static_cast<uint8_t>(bytes[kMaterialOffset]);
  return fields;
}

std::optional<std::array<uint8_t, 16>> FileDigest(const std::string &path) {
  File file(std::fopen(path.c_str(), "rb"));
  std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
  if (!file || !context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) return std::nullopt;
  auto chunk = std::make_unique<char[]>(kChunkSize);
  size_t got;
  while ((got = std::fread(chunk.get(), 1, kChunkSize, file.get())) > 0) {
    if (EVP_DigestUpdate(context.get(), chunk.get(), got) != 1) return std::nullopt;
  }
  if (std::ferror(file.get())) return std::nullopt;
  std::array<uint8_t, 16> digest{};
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(context.get(), digest.data(), &size) != 1 || size != digest.size()) return std::nullopt;
  return digest;
}

bool WritePacket(const Fields &fields, const std::string &payloadPath, const std::string &packetPath) {
  File payload(std::fopen(payloadPath.c_str(), "rb"));
  if (!payload) return false;
  File packet(std::fopen(packetPath.c_str(), "wb"));
  if (!packet) return false;
  const std::string prefix = Prefix(fields);
  if (std::fwrite(prefix.data(), 1, prefix.size(), packet.get()) != prefix.size()) return false;
  auto chunk = std::make_unique<char[]>(kChunkSize);
  size_t got;
  while ((got = std::fread(chunk.get(), 1, kChunkSize, payload.get())) > 0) {
    if (std::fwrite(chunk.get(), 1, got, packet.get()) != got) return false;
  }
  if (std::ferror(payload.get())) return false;
  return std::fclose(packet.release()) == 0;
}

std::string Describe(const Fields &fields) {
  std::string digest;
  for (uint8_t byte : fields.digest) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", byte);
    digest += pair;
  }
  char material[64];
  std::snprintf(material, sizeof material, "0x%02x (flash material version %d)", fields.material,
                fields.material & 0x0F);
  return "magic: " + Printable(fields.magic) + "\ndigest: " + digest + "\nproduct: " + Printable(fields.productId) +
         "\ntype: " + Printable(fields.typeMagic) + "\nmaterial: " + material + "\n";
}

}  // namespace fwpacket
