// Path helpers shared by the search, the call machinery and the writers.
#ifndef ELEMTREE_PATHS_H
#define ELEMTREE_PATHS_H

#include "ncElement.h"
#include "text.h"

namespace nc {

// A custom instance element: named "$N" in any case.
bool IsCustomInstance(const ncElement *element);

// The full dot name: the ancestor path, then the element's name, or for a
// custom instance element its value (nothing when absent). Its length as the
// builder counts it (size or more: cut).
int ComposeFullDotName(ncElement *element, char *buffer, int size);

// The dot name of the element's parent: its ancestor path without the final
// '.', in kPathSize bytes.
void ComposeParentDotName(ncElement *element, char (&buffer)[kPathSize]);

// The number of instances a custom instance element's getFunc reports for
// its parent's dot name, read from a buffer of bufferSize bytes (at most
// kPathSize). 0 without a getFunc.
int CustomInstanceCount(ncElement *instance, int bufferSize);

// Makes a custom instance element stand for instance number: its value
// becomes the number in decimal. The result of ncSetElementValue.
int SetInstanceNumber(ncElement *instance, long long number);

// A new element named name attached to parent; null when it could not be
// made or attached.
ncElement *AppendNewChild(ncElement *parent, const char *name);

// Fetches a hook's text into buffer and keeps it terminated whatever the
// hook wrote.
void CallGetFunc(ncGetFunc getFunc, const char *dotName, char *buffer, int size);

}  // namespace nc

#endif  // ELEMTREE_PATHS_H
