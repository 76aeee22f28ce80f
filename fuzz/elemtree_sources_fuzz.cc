// The parser front end's file and descriptor sources on any bytes, zero
// bytes included, in dot text and XML: the same text read from a buffer, a
// file and a descriptor must make the same tree, and bytes a buffer cannot
// hold (after a zero byte) must not upset the file and descriptor readers.
//
// Input: byte 0 chooses the format (bit 0: XML, else dot text); the rest is
// the document.
#include "elemtree_fuzz.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace {

struct Outcome {
  int result;
  std::string tree;  // as dot text, "" when there is none
};

Outcome Finish(fuzztree::Tree &tree, int result) {
  char *text = nullptr;
  Outcome outcome{result, ""};
  if (tree.get()->root != nullptr && ncOutputToBuf(tree.get(), &text, NC_OUTPUT_DOT) == 0) {
    outcome.tree = text;
    uFree(text);
  }
  return outcome;
}

Outcome FromBuffer(const std::string &text, int format) {
  fuzztree::Tree tree("cfg");
  return Finish(tree, ncParseFromBuf(tree.get(), text.c_str(), format));
}

// A file in memory, read through its path.
Outcome FromFile(std::string_view bytes, int format) {
  const int fd = memfd_create("config", MFD_CLOEXEC);
  if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  fuzztree::Tree tree("cfg");
  const Outcome outcome = Finish(tree, ncParseFromFile(tree.get(), path.c_str(), format));
  close(fd);
  return outcome;
}

// A pipe whose writer has written everything and closed its end.
Outcome FromDescriptor(std::string_view bytes, int format) {
  int ends[2];
  if (pipe(ends) != 0) std::abort();
  if (!bytes.empty() && write(ends[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    std::abort();
  close(ends[1]);
  fuzztree::Tree tree("cfg");
  const Outcome outcome = Finish(tree, ncParseFromFd(tree.get(), ends[0], format));
  close(ends[0]);
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzztree::Init();
  // One pipe buffer's worth, so that the writer never waits for the reader.
  if (size < 1 || size > 60 * 1024) return 0;
  const int format = (data[0] & 1) != 0 ? NC_FORMAT_XML : NC_FORMAT_DOT;
  const std::string_view bytes(reinterpret_cast<const char *>(data + 1), size - 1);
  const Outcome file = FromFile(bytes, format);
  const Outcome descriptor = FromDescriptor(bytes, format);
  if (file.result != descriptor.result || file.tree != descriptor.tree) std::abort();
  if (bytes.find('\0') != std::string_view::npos) return 0;
  const Outcome buffer = FromBuffer(std::string(bytes), format);
  if (buffer.result != file.result || buffer.tree != file.tree) std::abort();
  return 0;
}
