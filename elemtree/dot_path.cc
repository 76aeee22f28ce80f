#include "dot_path.h"

#include <cstring>
#include <strings.h>

#include "list.h"
#include "ncPath.h"
#include "paths.h"

namespace nc {
namespace {

// The child of parent that component names, when it is the only one and no
// child of parent is a custom instance; else null.
ncElement *OnlyChildNamed(const ncElement *parent, const char *component) {
  ncElement *only = nullptr;
  for (ncElement *child : Items<ncElement>(parent->childList)) {
    if (IsCustomInstance(child)) return nullptr;
    if (child->name == nullptr || strcasecmp(child->name, component) != 0) continue;
    if (only != nullptr) return nullptr;
    only = child;
  }
  return only;
}

}  // namespace

ncElement *DotPath::Start(ncElement *root, const char *dotName, const char **from) {
  if (root == nullptr || std::strlen(dotName) >= sizeof name_) {
    Forget();
    return nullptr;
  }
  depth_ = KeptLevels(root, dotName);
  Extend(root, dotName);
  std::memcpy(name_, dotName, std::strlen(dotName) + 1);
  if (depth_ == 0) return nullptr;
  *from = dotName + ComponentStart(depth_ - 1);
  return element_[depth_ - 1];
}

// The levels whose components dotName spells byte for byte, each followed by
// more of the name.
int DotPath::KeptLevels(ncElement *root, const char *dotName) const {
  if (depth_ == 0 || element_[0] != root) return 0;
  int kept = 0;
  while (kept < depth_ && std::strncmp(name_, dotName, static_cast<size_t>(end_[kept])) == 0 &&
         dotName[end_[kept]] == '.') {
    ++kept;
  }
  return kept;
}

// Adds the levels of dotName's further components, all but its last, as far
// as each is the only match of its component.
void DotPath::Extend(ncElement *root, const char *dotName) {
  for (int level = depth_; level < kMaxDepth; ++level) {
    const char *component = dotName + ComponentStart(level);
    const char *dot = std::strchr(component, '.');
    if (dot == nullptr) return;
    char name[kNameSize];
    ncGetElementNameFromDotName(component, name, kNameSize);
    ncElement *element = nullptr;
    if (level > 0) {
      element = OnlyChildNamed(element_[level - 1], name);
    } else if (root->name != nullptr && strcasecmp(root->name, name) == 0) {
      element = root;
    }
    if (element == nullptr) return;
    element_[level] = element;
    end_[level] = static_cast<int>(dot - dotName);
    depth_ = level + 1;
  }
}

}  // namespace nc
