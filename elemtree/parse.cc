// The parser front end: the three data sources, the default read function and
// the read loop that feeds the dot text reader, a caller's parser or the XML
// reader.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "descriptor.h"
#include "nc_log.h"
#include "ncParse.h"
#include "parse_internal.h"

using nc::kTagParse;

namespace {

// The parse window: at most 511 bytes of text and its NUL.
constexpr int kWindowSize = 512;
constexpr int kWindowText = kWindowSize - 1;
// A descriptor that stays silent this long has ended its input.
constexpr int kReadWaitSeconds = 5;

const char *Presence(const void *pointer) { return pointer != nullptr ? "Not NULL" : "NULL"; }

// Gathers up to capacity bytes: what the descriptor delivers until the
// capacity is filled, its data ends, it fails or it stays silent. After the
// end of its data the next call gathers nothing and so returns 0.
int ReadDescriptor(int fd, char *destination, int capacity) {
  int gathered = 0;
  while (gathered < capacity && nc::WaitDescriptor(fd, nc::Wait::kRead, kReadWaitSeconds) > 0) {
    ssize_t got = read(fd, destination + gathered, static_cast<size_t>(capacity - gathered));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    gathered += static_cast<int>(got);
  }
  return gathered;
}

int NormalRead(int sourceType, void *source, int offset, char *destination, int capacity) {
  if (capacity < 0) capacity = 0;
  switch (sourceType) {
    case NC_SOURCE_BUFFER: {
      if (destination == nullptr || source == nullptr || offset < 0) return -1;
      const char *text = static_cast<const char *>(source) + offset;
      int length = static_cast<int>(strnlen(text, static_cast<size_t>(capacity)));
      std::memcpy(destination, text, static_cast<size_t>(length));
      return length;
    }
    case NC_SOURCE_FILE: {
      if (destination == nullptr || source == nullptr) return 0;
      return static_cast<int>(std::fread(destination, 1, static_cast<size_t>(capacity), static_cast<FILE *>(source)));
    }
    case NC_SOURCE_FD: {
      int fd = static_cast<int>(reinterpret_cast<intptr_t>(source));
      if (destination == nullptr || !nc::ValidDescriptor(fd)) return -1;
      return ReadDescriptor(fd, destination, capacity);
    }
    default:
      tarvoPrintWarnLog(kTagParse, "%s: Unsupported data source type[%d].", "ncNormalRead", sourceType);
      return -1;
  }
}

// Dot text and caller formats: the window holds the unconsumed rest of the
// previous pass and the bytes read behind it. A dot text whose window holds
// no line end yet is read on before it is parsed, and at the end of the input
// its unterminated last line is applied, unless a ":notsupport" line stopped
// the pass before it.
int ParseWindowed(ncHandle *handle) {
  char window[kWindowSize] = {};
  int total = 0;
  bool dot = handle->parseFormat == NC_FORMAT_DOT;
  bool stopped = false;
  nc::DotPath path;
  for (;;) {
    int held = static_cast<int>(std::strlen(window));
    int got = handle->readFunc(static_cast<int>(handle->readSourceType), handle->readSource, total, window + held,
                               kWindowText - held);
    // A caller's read function may have changed the tree.
    if (handle->readFunc != NormalRead) path.Forget();
    if (got < 1) {
      if (dot && !stopped && window[0] != '\0') nc::ParseDotLines(handle, window, nullptr, path);
      return 0;
    }
    if (got > kWindowText - held) got = kWindowText - held;
    window[held + got] = '\0';
    total += got;
    if (dot && held + got < kWindowText && std::strpbrk(window, "\r\n") == nullptr) continue;

    int consumed = 0;
    if (dot) {
      consumed = nc::ParseDotLines(handle, window, &stopped, path);
    } else if (handle->parseFunc != nullptr) {
      consumed = handle->parseFunc(handle, window);
    }
    if (consumed < 1) {
      tarvoPrintInfoLog(kTagParse, "%s: parse failed! content=[%s]", "ncParse", window);
      return -1;
    }
    int length = static_cast<int>(std::strlen(window));
    if (consumed > length) consumed = length;
    std::memmove(window, window + consumed, static_cast<size_t>(length - consumed + 1));
    std::memset(window + (length - consumed), 0, static_cast<size_t>(kWindowSize - (length - consumed)));
  }
}

}  // namespace

extern "C" {

int ncParseFromBuf(ncHandle *handle, const char *buffer, int format) {
  if (handle == nullptr || buffer == nullptr) {
    tarvoPrintWarnLog(kTagParse, "%s: Invalid parameter! nc=[%s], buf=[%s]", __func__, Presence(handle),
                      Presence(buffer));
    return -1;
  }
  handle->parseFormat = format;
  handle->readSource = const_cast<char *>(buffer);
  handle->readSourceType = NC_SOURCE_BUFFER;
  if (handle->readFunc == nullptr) handle->readFunc = NormalRead;
  return ncParse(handle);
}

int ncParseFromFd(ncHandle *handle, int fd, int format) {
  if (handle == nullptr || !nc::ValidDescriptor(fd)) {
    tarvoPrintWarnLog(kTagParse, "%s: Invalid parameter! nc=[%s], fd=[%d]", __func__, Presence(handle), fd);
    return -1;
  }
  handle->parseFormat = format;
  handle->readSource = reinterpret_cast<void *>(static_cast<intptr_t>(fd));
  handle->readSourceType = NC_SOURCE_FD;
  handle->readFunc = NormalRead;
  return ncParse(handle);
}

int ncParseFromFile(ncHandle *handle, const char *path, int format) {
  if (handle == nullptr || path == nullptr) {
    tarvoPrintWarnLog(kTagParse, "%s: Invalid parameter! nc=[%s], file=[%s]", __func__, Presence(handle),
                      nc::Shown(path));
    return -1;
  }
  FILE *stream = std::fopen(path, "rb");
  if (stream == nullptr) {
    tarvoPrintWarnLog(kTagParse, "%s: file[%s] open failed!", __func__, path);
    return -1;
  }
  handle->readSourceType = NC_SOURCE_FILE;
  handle->readFunc = NormalRead;
  handle->parseFormat = format;
  handle->readSource = stream;
  int result = ncParse(handle);
  std::fclose(stream);
  return result;
}

int ncParse(ncHandle *handle) {
  if (handle == nullptr || handle->readSource == nullptr || handle->readFunc == nullptr) return -1;
  int result = handle->parseFormat == NC_FORMAT_XML ? nc::ParseXml(handle) : ParseWindowed(handle);
  ncParseFinished(handle);
  return result;
}

void ncParseFinished(ncHandle *handle) {
  if (handle != nullptr && handle->parseFinishedFunc != nullptr) handle->parseFinishedFunc(handle);
}

}  // extern "C"
