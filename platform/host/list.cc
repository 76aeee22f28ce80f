// List stand-in: a growable array of item pointers. Its storage comes from
// uMalloc, so failure injection and leak counts cover lists as well.
#include "platform/runtime.h"

#include <cstring>

struct uList {
  void **items;
  int size;
  int capacity;
};

namespace {

bool ValidIndex(const uList *list, int index) {
  return list != nullptr && index >= 0 && index < list->size;
}

bool Reserve(uList *list, int needed) {
  if (needed <= list->capacity) return true;
  int capacity = list->capacity == 0 ? 8 : list->capacity * 2;
  while (capacity < needed) capacity *= 2;
  auto **items = static_cast<void **>(uMalloc(sizeof(void *) * static_cast<size_t>(capacity)));
  if (items == nullptr) return false;
  if (list->size > 0) std::memcpy(items, list->items, sizeof(void *) * static_cast<size_t>(list->size));
  uFree(list->items);
  list->items = items;
  list->capacity = capacity;
  return true;
}

}  // namespace

extern "C" {

uListId uListInit(int /*options*/) { return static_cast<uList *>(uMalloc(sizeof(uList))); }

int uListAppend(uListId list, void *item) {
  if (list == nullptr) return -1;
  return uListAdd(list, item, list->size);
}

int uListAdd(uListId list, void *item, int index) {
  if (list == nullptr || index < 0) return -1;
  if (!Reserve(list, list->size + 1)) return -1;
  if (index > list->size) index = list->size;
  std::memmove(list->items + index + 1, list->items + index,
               sizeof(void *) * static_cast<size_t>(list->size - index));
  list->items[index] = item;
  ++list->size;
  return 0;
}

void *uListGet(uListId list, int index) {
  return ValidIndex(list, index) ? list->items[index] : nullptr;
}

int uListEol(uListId list, int index) { return ValidIndex(list, index) ? 0 : 1; }

int uListSize(uListId list) { return list == nullptr ? -1 : list->size; }

void *uListRemove(uListId list, int index) {
  if (!ValidIndex(list, index)) return nullptr;
  void *item = list->items[index];
  std::memmove(list->items + index, list->items + index + 1,
               sizeof(void *) * static_cast<size_t>(list->size - index - 1));
  --list->size;
  return item;
}

int uListRemoveAndFree(uListId list, int index, uListFreeFunc freeFunc) {
  if (!ValidIndex(list, index)) return -1;
  void *item = uListRemove(list, index);
  if (freeFunc != nullptr) {
    freeFunc(item);
  } else {
    uFree(item);
  }
  return 0;
}

int uListSearch(uListId list, const void *key, uListCmpFunc cmp) {
  if (list == nullptr) return -1;
  for (int i = 0; i < list->size; ++i) {
    if (cmp != nullptr ? cmp(list->items[i], key) == 0 : list->items[i] == key) return i;
  }
  return -1;
}

void uListUninit(uListId list) {
  if (list == nullptr) return;
  uFree(list->items);
  uFree(list);
}

}  // extern "C"
