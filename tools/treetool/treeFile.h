// A configuration file as the tree tool handles it: read whole into a tree
// of the element tree library (its format recognised from the content or
// named by the user), and written back in one piece that replaces the old
// file only once it is safely on disk.
#ifndef TREETOOL_TREE_FILE_H
#define TREETOOL_TREE_FILE_H

#include <string>

#include "ncTree.h"

namespace treetool {

enum class Format { kAuto, kXml, kDot };

// "xml" or "dot" (kAuto for anything else).
Format FormatNamed(const std::string &name);
// The format of a text: XML when its first non-blank character is '<'.
Format FormatOf(const std::string &text);

// A file read into a private tree. What went wrong is in error() (one line,
// without the program's name).
class TreeFile {
 public:
  TreeFile() : tree_(ncCreatePrivate("file")) {}
  ~TreeFile() { ncDestroy(tree_); }
  TreeFile(const TreeFile &) = delete;
  TreeFile &operator=(const TreeFile &) = delete;

  // Reads path in format (kAuto: recognised from the content). False when
  // the file cannot be read or the reader rejects it; with strict, also when
  // the reader skipped a line it could not apply.
  bool Load(const std::string &path, Format format, bool strict);
  // Writes the tree in format over path: a new file beside it, flushed to
  // disk and renamed over the old one, which keeps its permissions.
  bool Save(const std::string &path, Format format);
  // The tree in an output format of the library; false when it has none.
  bool Text(int outputFormat, std::string &text);

  ncHandle *tree() const { return tree_; }
  Format format() const { return format_; }
  const std::string &error() const { return error_; }

 private:
  bool Fail(const std::string &message) {
    error_ = message;
    return false;
  }

  ncHandle *tree_;
  Format format_ = Format::kAuto;
  std::string error_;
};

}  // namespace treetool

#endif  // TREETOOL_TREE_FILE_H
