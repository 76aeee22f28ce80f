// The commands that the upgrade runs on the board (sh, ps, grep, killall, …)
// take the board's device layer but not the sanitizer runtime that this test
// program needs before it: ps hangs with the address sanitizer preloaded. The
// test program has its runtime loaded already, so it drops the runtime from
// LD_PRELOAD before any test starts a command.
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool IsSanitizerRuntime(std::string_view path) {
  const std::string_view name = path.substr(path.rfind('/') + 1);
  return name.starts_with("libasan") || name.starts_with("libtsan") || name.starts_with("libubsan");
}

const bool kCommandsWithoutSanitizer = [] {
  const char *preload = std::getenv("LD_PRELOAD");
  if (preload == nullptr) return false;
  std::string kept;
  std::string_view rest = preload;
  while (!rest.empty()) {
    const size_t end = rest.find_first_of(": ");
    const std::string_view entry = rest.substr(0, end);
    if (!entry.empty() && !IsSanitizerRuntime(entry)) kept.append(kept.empty() ? "" : ":").append(entry);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  setenv("LD_PRELOAD", kept.c_str(), 1);
  return true;
}();

}  // namespace
