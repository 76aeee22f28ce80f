// The way down the tree that the previous dot text line took, kept for the
// next one. Lines of one group share all their components but the last, and
// a line whose search starts at the deepest shared element compares only the
// children of that element instead of every level's children from the root.
#ifndef ELEMTREE_DOT_PATH_H
#define ELEMTREE_DOT_PATH_H

#include "ncElement.h"
#include "text.h"

namespace nc {

// A level is kept only where starting below it finds what the search from
// the root finds, with the same side effects: its element is the only child
// of its parent that the component names (letter case aside), and no child
// there is a custom instance, whose match would set the instance's value.
// Adding elements below the deepest level keeps every level true; anything
// else that may change the tree (a value hook, another reader) must be
// followed by Forget().
class DotPath {
 public:
  // The deepest kept element on the way of dotName (a name of fewer than
  // kNameSize bytes, as a line's name is) and, in *from, the rest of dotName
  // from that element's own component on. Null when the way must be searched
  // from the root.
  ncElement *Start(ncElement *root, const char *dotName, const char **from);

  void Forget() { depth_ = 0; }

 private:
  // Where level's component starts in name_.
  int ComponentStart(int level) const { return level == 0 ? 0 : end_[level - 1] + 1; }
  int KeptLevels(ncElement *root, const char *dotName) const;
  void Extend(ncElement *root, const char *dotName);

  static constexpr int kMaxDepth = kNameSize / 2;  // a short name has no more components
  ncElement *element_[kMaxDepth] = {};
  int end_[kMaxDepth] = {};  // where each level's component ends in name_
  char name_[kNameSize] = {};
  int depth_ = 0;
};

}  // namespace nc

#endif  // ELEMTREE_DOT_PATH_H
