// Text helper stand-ins. Each one that takes a size stays within it and keeps
// the text terminated; the rules are those written in platform/runtime.h.
#include "platform/runtime.h"

#include <cctype>
#include <cstring>
#include <string_view>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsBlankOrLineBreak(char c) { return IsBlank(c) || c == '\r' || c == '\n'; }

template <typename Pred>
char *StripBothEnds(char *text, Pred strip) {
  if (text == nullptr) return nullptr;
  size_t len = std::strlen(text);
  size_t start = 0;
  while (start < len && strip(text[start])) ++start;
  size_t end = len;
  while (end > start && strip(text[end - 1])) --end;
  std::memmove(text, text + start, end - start);
  text[end - start] = '\0';
  return text;
}

// Builds an in-place rewrite of a text in a buffer of the same capacity: each
// piece is appended whole or, once one does not fit, nothing more is.
class BoundedWriter {
 public:
  explicit BoundedWriter(int size) : capacity_(static_cast<size_t>(size) - 1) {}
  bool Append(std::string_view piece) {
    if (full_ || piece.size() > capacity_ - length_) {
      full_ = true;
      return false;
    }
    std::memcpy(scratch_ + length_, piece.data(), piece.size());
    length_ += piece.size();
    return true;
  }
  bool cut() const { return full_; }
  // Copies the result over the text. The scratch area holds what fits.
  void CopyTo(char *text) const {
    std::memcpy(text, scratch_, length_);
    text[length_] = '\0';
  }
  ~BoundedWriter() { delete[] scratch_; }
  BoundedWriter(const BoundedWriter &) = delete;
  BoundedWriter &operator=(const BoundedWriter &) = delete;

 private:
  size_t capacity_;
  size_t length_ = 0;
  bool full_ = false;
  char *scratch_ = new char[capacity_ + 1];
};

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// RFC 3986 unreserved and reserved characters: they structure a URL, so mode 0
// keeps them as they are.
bool KeptInUrl(char c) {
  if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80) return true;
  return std::strchr("-._~:/?#[]@!$&'()*+,;=", c) != nullptr && c != '\0';
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

int TailCompare(const char *text, const char *tail, bool ignoreCase) {
  if (text == nullptr || tail == nullptr) return 1;
  std::string_view t(text), s(tail);
  if (s.size() > t.size()) return 1;
  std::string_view end = t.substr(t.size() - s.size());
  return (ignoreCase ? EqualsIgnoreCase(end, s) : end == s) ? 0 : 1;
}

}  // namespace

extern "C" {

char *uStrGetCopy(const char *text) {
  if (text == nullptr) return nullptr;
  size_t len = std::strlen(text);
  auto *copy = static_cast<char *>(uMalloc(len + 1));
  if (copy != nullptr) std::memcpy(copy, text, len + 1);
  return copy;
}

int uStrnSafeCopy(char *dest, int size, const char *src, int n) {
  if (dest == nullptr || size < 1) return -1;
  size_t len = src == nullptr ? 0 : strnlen(src, static_cast<size_t>(n < 0 ? 0 : n));
  if (len > static_cast<size_t>(size) - 1) len = static_cast<size_t>(size) - 1;
  if (len > 0) std::memmove(dest, src, len);
  dest[len] = '\0';
  return 0;
}

int uStrSafeCopy(char *dest, int size, const char *src) {
  if (dest == nullptr || size < 1) return -1;
  return uStrnSafeCopy(dest, size, src, size);
}

int uStrSafeCat(char *dest, int size, const char *src) {
  if (dest == nullptr || size < 1) return -1;
  size_t used = strnlen(dest, static_cast<size_t>(size));
  if (used >= static_cast<size_t>(size)) {  // not terminated within size: terminate it
    dest[size - 1] = '\0';
    return 0;
  }
  return uStrSafeCopy(dest + used, size - static_cast<int>(used), src);
}

char *uStrStripCrlf(char *text) { return StripBothEnds(text, IsBlankOrLineBreak); }

char *uStrStripSpace(char *text) { return StripBothEnds(text, IsBlank); }

int uStrReplaceKey(char *text, int size, const char *key, const char *replacement) {
  if (text == nullptr || key == nullptr || replacement == nullptr || key[0] == '\0' || size < 1) return -1;
  std::string_view in(text, strnlen(text, static_cast<size_t>(size)));
  std::string_view k(key), r(replacement);
  BoundedWriter out(size);
  int count = 0;
  size_t pos = 0;
  while (pos < in.size()) {
    if (in.compare(pos, k.size(), k) == 0) {
      ++count;
      pos += k.size();
      // A replacement that does not fit whole is cut, like any other text.
      for (char c : r) out.Append(std::string_view(&c, 1));
    } else {
      out.Append(in.substr(pos, 1));
      ++pos;
    }
  }
  out.CopyTo(text);
  return count;
}

int uStrReplaceXml(char *text, int size, int /*mode*/) {
  if (text == nullptr || size < 1) return -1;
  std::string_view in(text, strnlen(text, static_cast<size_t>(size)));
  BoundedWriter out(size);
  for (char c : in) {
    switch (c) {
      case '&': out.Append("&amp;"); break;
      case '<': out.Append("&lt;"); break;
      case '>': out.Append("&gt;"); break;
      case '"': out.Append("&quot;"); break;
      case '\'': out.Append("&apos;"); break;
      default: out.Append(std::string_view(&c, 1)); break;
    }
  }
  out.CopyTo(text);
  return out.cut() ? -1 : 0;
}

int uStrUrlEncode(char *text, int size, int /*mode*/) {
  if (text == nullptr || size < 1) return -1;
  std::string_view in(text, strnlen(text, static_cast<size_t>(size)));
  BoundedWriter out(size);
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (size_t i = 0; i < in.size(); ++i) {
    char c = in[i];
    bool existingEscape = c == '%' && i + 2 < in.size() && IsHex(in[i + 1]) && IsHex(in[i + 2]);
    if (KeptInUrl(c) || existingEscape) {
      out.Append(std::string_view(&c, 1));
    } else {
      auto byte = static_cast<unsigned char>(c);
      const char escape[3] = {'%', kHex[byte >> 4], kHex[byte & 0xF]};
      out.Append(std::string_view(escape, 3));
    }
  }
  out.CopyTo(text);
  return out.cut() ? -1 : 0;
}

int uStrIsDigit(const char *text) {
  if (text == nullptr || text[0] == '\0') return 0;
  for (const char *p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return 0;
  }
  return 1;
}

int uStrTailCmp(const char *text, const char *tail) { return TailCompare(text, tail, false); }

int uStrTailCaseCmp(const char *text, const char *tail) { return TailCompare(text, tail, true); }

int uParaUrlCheck(const char *url) {
  if (url == nullptr) return 0;
  std::string_view u(url);
  for (char c : u) {
    auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) return 0;
  }
  size_t sep = u.find("://");
  if (sep == std::string_view::npos) return 0;
  std::string_view scheme = u.substr(0, sep);
  if (!EqualsIgnoreCase(scheme, "http") && !EqualsIgnoreCase(scheme, "https") &&
      !EqualsIgnoreCase(scheme, "ftp") && !EqualsIgnoreCase(scheme, "tftp"))
    return 0;
  std::string_view authority = u.substr(sep + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  size_t at = authority.rfind('@');
  std::string_view host = at == std::string_view::npos ? authority : authority.substr(at + 1);
  if (!host.empty() && host.front() == '[') {  // IPv6 literal
    size_t close = host.find(']');
    return close != std::string_view::npos && close > 1 ? 1 : 0;
  }
  host = host.substr(0, host.find(':'));
  return host.empty() ? 0 : 1;
}

}  // extern "C"
