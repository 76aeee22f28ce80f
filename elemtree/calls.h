// Pieces shared by the operations that reach an element by dotted name and
// run its hooks or its function: argument lists and the real-dot-name
// resolver of a tree.
#ifndef ELEMTREE_CALLS_H
#define ELEMTREE_CALLS_H

#include "ncDefs.h"
#include "ncHandle.h"
#include "platform/runtime.h"
#include "text.h"

namespace nc {

// An argument list as ncCallApi reads it: a runtime list whose items point
// to one word cell each. Cells and list are freed with the object.
class ArgList {
 public:
  ArgList() : list_(uListInit(0)) {}
  ~ArgList();
  ArgList(const ArgList &) = delete;
  ArgList &operator=(const ArgList &) = delete;

  // False when the list or the cell could not be allocated: the call that
  // builds the list then fails rather than run with words missing.
  bool Append(ncWord word);
  bool ok() const { return list_ != nullptr; }
  uListId list() const { return list_; }

 private:
  uListId list_;
};

// The outcome of asking a tree's resolver for the real name of dotName.
struct RealDotName {
  int result = 0;              // the resolver's result; 0 without resolver
  char name[kPathSize] = {};   // the real dot name when redirected
  bool redirected = false;     // the resolver named another dot name
  bool failed() const { return result == -1; }
};

// Runs the tree's realDotNameFunc, if it has one, with dotName and a copy of
// value (at most 255 characters; an absent value as an empty text).
RealDotName ResolveDotName(const ncHandle *tree, const char *dotName, const char *value);

// How a failed lookup by dotted name is logged: value access reports a
// missing tree as information, calls and deletions as a warning; a missing
// element is "no such name", except for ncGetValue.
enum class MissingTree { kWarning, kInformation };
enum class MissingElement { kNoSuchName, kNotSupport };

// The registered tree named by dotName; sets NC_ERR_NO_TREE and logs when
// there is none.
ncHandle *FindTreeOrFail(const char *operation, const char *dotName, MissingTree report);

// The element dotName names in tree, searched from its root (the caller holds
// the tree lock); sets NC_ERR_NO_ELEMENT and logs a warning when there is none.
ncElement *FindElementOrFail(const ncHandle *tree, const char *operation, const char *dotName, MissingElement report);

}  // namespace nc

#endif  // ELEMTREE_CALLS_H
