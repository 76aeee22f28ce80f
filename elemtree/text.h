// Names, fixed buffers and bounded text building.
#ifndef ELEMTREE_TEXT_H
#define ELEMTREE_TEXT_H

#include <cstddef>

namespace nc {

// A name component of a dotted name takes part in comparisons with at most
// 63 characters; paths, dot names and values are built in 256 bytes.
inline constexpr int kNameSize = 64;
inline constexpr int kPathSize = 256;

// The first component of a dotted name (the text before the first '.', cut
// to 63 characters) and what follows that '.'.
struct DotNameHead {
  char name[kNameSize];
  const char *dot;   // the first '.', or null
  const char *rest;  // the text after it, or null without '.'
  bool HasRest() const { return rest != nullptr && *rest != '\0'; }
};
DotNameHead SplitDotName(const char *dotName);

// True for a custom instance element's name "$N", in any case.
bool IsCustomInstanceName(const char *name);

// atoi without its undefined overflow: the value is clamped to int.
int ReadNumber(const char *text);

// Bounded printf-style building into a caller's buffer: each append writes
// only while the length so far is below the size, and the length adds up
// what each append needed, so a length of size or more means the text was
// cut. The text is always terminated.
class TextBuilder {
 public:
  TextBuilder(char *buffer, int size, int length = 0) : buffer_(buffer), size_(size), length_(length) {}
  void Append(const char *format, ...) __attribute__((format(printf, 2, 3)));
  bool HasRoom() const { return buffer_ != nullptr && length_ < size_; }
  int length() const { return length_; }

 private:
  char *buffer_;
  int size_;
  int length_;
};

// Puts copy into slot, freeing what slot held.
void ReplaceText(char *&slot, char *copy);

}  // namespace nc

#endif  // ELEMTREE_TEXT_H
