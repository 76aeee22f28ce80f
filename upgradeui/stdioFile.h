// A stdio stream that closes itself on every path.
#pragma once

#include <cstdio>
#include <memory>

namespace upgradeui {

struct StreamCloser {
  void operator()(std::FILE *stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

inline Stream OpenStream(const char *path, const char *mode) { return Stream(std::fopen(path, mode)); }

}  // namespace upgradeui
