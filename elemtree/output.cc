// The output buffer, the choice of writer by format, and the two sinks: a
// file and an open descriptor.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "descriptor.h"
#include "layout.h"
#include "nc_log.h"
#include "ncOutput.h"
#include "output_internal.h"
#include "text.h"

NC_ASSERT_OFFSET32(ncOutputBuf, capacity, 0);
NC_ASSERT_OFFSET32(ncOutputBuf, used, 4);
NC_ASSERT_OFFSET32(ncOutputBuf, text, 8);
NC_ASSERT_OFFSET32(ncOutputBuf, handle, 12);
NC_ASSERT_OFFSET32(ncOutputBuf, pathBuf, 16);
NC_ASSERT_OFFSET32(ncOutputBuf, valueBuf, 20);
NC_ASSERT_OFFSET32(ncOutputBuf, cfgHeaderDone, 24);
NC_ASSERT_OFFSET32(ncOutputBuf, format, 28);
NC_ASSERT_OFFSET32(ncOutputBuf, cfgEntryElement, 32);

using nc::kTagOutput;

namespace {

constexpr char kConfigTextTrailer[] = "<<END OF FILE>>\r\n";
// The descriptor sink waits this long for room, and gives up after this many
// waits in all.
constexpr int kWriteWaitSeconds = 2;
constexpr int kWriteTimeouts = 3;

// What each format is called in the message of a failed output.
const char *FormatName(int format) {
  switch (format) {
    case NC_OUTPUT_XML: return "xml";
    case NC_OUTPUT_DOT: return "dot";
    case NC_OUTPUT_TEXT: return "txt";
    case NC_OUTPUT_CONFIG_XML:
    case NC_OUTPUT_CONFIG_XML_BARE: return "config xml";
    case NC_OUTPUT_CONFIG_TEXT: return "config txt";
    default: return nullptr;
  }
}

bool Enlarge(ncOutputBuf *output) {
  if (output == nullptr) return false;
  char *text = nullptr;
  if (output->capacity <= INT_MAX - NC_OUTPUT_STEP)
    text = static_cast<char *>(uMalloc(static_cast<size_t>(output->capacity) + NC_OUTPUT_STEP));
  if (text == nullptr) {
    tarvoPrintErrorLog(kTagOutput, "%s: can not allocate enough memory\n", "ncOutputBufEnlarge");
    return false;
  }
  std::memcpy(text, output->text, static_cast<size_t>(output->capacity));
  uFree(output->text);
  output->text = text;
  output->capacity += NC_OUTPUT_STEP;
  return true;
}

// Runs the writer of the format; the text stays empty for an unknown one.
int RunWriter(ncOutputBuf *output) {
  ncElement *root = output->handle->root;
  switch (output->format) {
    case NC_OUTPUT_XML:
      if (ncOutputBufAppendContent(output, nc::kXmlDeclaration) < 0 || nc::WriteXml(root, output, 0) != 0) {
        tarvoPrintErrorLog(kTagOutput, "%s: output info is error\n", "ncOutputToBufOfXml");
        return -1;
      }
      return 0;
    case NC_OUTPUT_DOT: return nc::WriteDot(root, output);
    case NC_OUTPUT_TEXT:
    case NC_OUTPUT_CONFIG_XML:
    case NC_OUTPUT_CONFIG_XML_BARE: return nc::WriteCustom(root, output);
    case NC_OUTPUT_CONFIG_TEXT:
      if (nc::WriteConfigText(root, output) != 0) return -1;
      return ncOutputBufAppendContent(output, kConfigTextTrailer) < 0 ? -1 : 0;
    default:
      tarvoPrintInfoLog(kTagOutput, "%s: can not identify this format!\n", "ncOutputToBuf");
      return 0;
  }
}

// The path the text of format goes to: XML files end in ".xml". False when
// that does not fit in the buffer.
bool OutputPath(const char *path, int format, char (&target)[nc::kPathSize]) {
  int length;
  if (format == NC_OUTPUT_XML && uStrTailCmp(path, ".xml") != 0) {
    length = std::snprintf(target, sizeof target, "%s.xml", path);
  } else {
    if (format != NC_OUTPUT_DOT && format != NC_OUTPUT_XML && format != NC_OUTPUT_CONFIG_XML &&
        format != NC_OUTPUT_CONFIG_TEXT)
      tarvoPrintInfoLog(kTagOutput, "%s: can not identify this format!\n", "ncOutputBufToFile");
    length = std::snprintf(target, sizeof target, "%s", path);
  }
  return length >= 0 && length < nc::kPathSize;
}

int BufToFile(const char *path, const char *text, int format) {
  constexpr char kOperation[] = "ncOutputBufToFile";
  char target[nc::kPathSize];
  if (path == nullptr || text == nullptr || !OutputPath(path, format, target)) {
    tarvoPrintErrorLog(kTagOutput, "%s: the parameters is incorrect\n", kOperation);
    return -1;
  }
  FILE *file = std::fopen(target, "w+");
  if (file == nullptr) {
    tarvoPrintErrorLog(kTagOutput, "%s: couldn't open the file\n", kOperation);
    return -1;
  }
  size_t length = std::strlen(text);
  bool written = std::fwrite(text, 1, length, file) == length;
  if (std::fclose(file) != 0) written = false;
  if (!written) {
    tarvoPrintErrorLog(kTagOutput, "%s: write to file error![%d]\n", kOperation, format);
    return -1;
  }
  return 0;
}

int BufToFd(int fd, const char *text) {
  size_t length = std::strlen(text);
  size_t written = 0;
  int timeouts = 0;
  while (written < length && timeouts < kWriteTimeouts) {
    int ready = nc::WaitDescriptor(fd, nc::Wait::kWrite, kWriteWaitSeconds);
    if (ready == 0) {
      ++timeouts;
      continue;
    }
    if (ready < 0) break;
    ssize_t count = write(fd, text + written, length - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    written += static_cast<size_t>(count);
  }
  if (written == length) return 0;
  tarvoPrintInfoLog(kTagOutput, "%s: write to fd error!\n", "ncOutputBufTofd");
  return -1;
}

}  // namespace

namespace nc {

bool EnsureFree(ncOutputBuf *output, long long bytes) {
  while (static_cast<long long>(output->capacity) - output->used <= bytes) {
    if (!Enlarge(output)) return false;
  }
  return true;
}

int AppendFormat(ncOutputBuf *output, const char *format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0 || !EnsureFree(output, length)) {
    va_end(args);
    return -1;
  }
  std::vsnprintf(output->text + output->used, static_cast<size_t>(output->capacity - output->used), format, args);
  va_end(args);
  output->used += length;
  return output->used;
}

}  // namespace nc

extern "C" {

int ncOutputBufAppendContent(ncOutputBuf *output, const char *text) {
  if (output == nullptr || text == nullptr || output->text == nullptr) return -1;
  size_t length = std::strlen(text);
  if (length == 0) return 0;
  if (length >= static_cast<size_t>(INT_MAX) || !nc::EnsureFree(output, static_cast<long long>(length))) return -1;
  std::memcpy(output->text + output->used, text, length + 1);
  output->used += static_cast<int>(length);
  return output->used;
}

char *ncOutputCreateBlanks(int count) {
  if (count < 1 || count == INT_MAX) return nullptr;
  auto *blanks = static_cast<char *>(uMalloc(static_cast<size_t>(count) + 1));
  if (blanks != nullptr) std::memset(blanks, ' ', static_cast<size_t>(count));
  return blanks;
}

int ncOutputToBuf(ncHandle *handle, char **out, int format) {
  if (handle == nullptr || handle->root == nullptr || out == nullptr) {
    tarvoPrintErrorLog(kTagOutput, "%s: the parameter is incorrect\n", __func__);
    return -1;
  }
  *out = nullptr;
  ncOutputBuf output{};
  output.text = static_cast<char *>(uMalloc(NC_OUTPUT_STEP));
  if (output.text == nullptr) {
    tarvoPrintErrorLog(kTagOutput, "%s: create %d buf failed!", __func__, format);
    return -1;
  }
  output.capacity = NC_OUTPUT_STEP;
  output.pathBuf = static_cast<char *>(uMalloc(nc::kPathSize));
  output.valueBuf = static_cast<char *>(uMalloc(nc::kPathSize));
  int result = -1;
  if (output.pathBuf == nullptr || output.valueBuf == nullptr) {
    tarvoPrintErrorLog(kTagOutput, "%s: apply memory failed!", __func__);
  } else {
    output.handle = handle;
    output.format = format;
    result = RunWriter(&output);
    if (result != 0)
      tarvoPrintErrorLog(kTagOutput, "%s: create %s format file error!", __func__, FormatName(format));
  }
  uFree(output.pathBuf);
  uFree(output.valueBuf);
  if (result != 0) {
    uFree(output.text);
    return -1;
  }
  output.text[output.used] = '\0';
  *out = output.text;
  return 0;
}

int ncOutputToFile(ncHandle *handle, const char *path, int format) {
  if (handle == nullptr || handle->root == nullptr || path == nullptr) {
    tarvoPrintErrorLog(kTagOutput, "%s: the parameter is incorrect\n", __func__);
    return -1;
  }
  char *text = nullptr;
  if (ncOutputToBuf(handle, &text, format) != 0) {
    tarvoPrintErrorLog(kTagOutput, "%s: create %d format file error!", __func__, format);
    return -1;
  }
  int result = BufToFile(path, text, format);
  if (result != 0) tarvoPrintErrorLog(kTagOutput, "%s: output to a file failed!", __func__);
  uFree(text);
  return result;
}

int ncOutputToFd(ncHandle *handle, int fd, int format) {
  if (handle == nullptr || handle->root == nullptr || !nc::ValidDescriptor(fd)) {
    tarvoPrintWarnLog(kTagOutput, "%s: Invalid parameter! ncHandle=[%s], fd=[%d]\n", __func__,
                      nc::Presence(handle), fd);
    return -1;
  }
  char *text = nullptr;
  if (ncOutputToBuf(handle, &text, format) != 0) {
    tarvoPrintErrorLog(kTagOutput, "%s: create dot format file error!", __func__);
    return -1;
  }
  int result = BufToFd(fd, text);
  if (result != 0) tarvoPrintErrorLog(kTagOutput, "%s: output to a fd failed!", __func__);
  uFree(text);
  return result;
}

}  // extern "C"
