// Range-for over the items of a runtime list:
//   for (ncElement *child : Items<ncElement>(element->childList)) ...
// The list is read by index on every step, so it must not change shape
// during the walk. An absent list has no items.
#ifndef ELEMTREE_LIST_H
#define ELEMTREE_LIST_H

#include "platform/runtime.h"

namespace nc {

template <typename T>
class Items {
 public:
  explicit Items(uListId list) : list_(list) {}

  class Iterator {
   public:
    Iterator(uListId list, int index) : list_(list), index_(index) {}
    T *operator*() const { return static_cast<T *>(uListGet(list_, index_)); }
    Iterator &operator++() {
      ++index_;
      return *this;
    }
    bool operator!=(const Iterator &) const { return uListEol(list_, index_) == 0; }

   private:
    uListId list_;
    int index_;
  };

  Iterator begin() const { return Iterator(list_, 0); }
  Iterator end() const { return Iterator(list_, 0); }

 private:
  uListId list_;
};

// The number of items; 0 for an absent list.
inline int ItemCount(uListId list) {
  int size = uListSize(list);
  return size > 0 ? size : 0;
}

}  // namespace nc

#endif  // ELEMTREE_LIST_H
