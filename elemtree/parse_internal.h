// The readers behind the parser front end.
#ifndef ELEMTREE_PARSE_INTERNAL_H
#define ELEMTREE_PARSE_INTERNAL_H

#include "dot_path.h"
#include "ncHandle.h"

namespace nc {

// Applies the lines of a dot text window (ncParseDot); *stopped (may be null)
// tells whether a ":notsupport" line ended the pass. path carries the lines'
// way down the tree from one window to the next.
int ParseDotLines(ncHandle *handle, const char *text, bool *stopped, DotPath &path);

// Reads the handle's source as one XML document into its tree: 0, or -1.
int ParseXml(ncHandle *handle);

}  // namespace nc

#endif  // ELEMTREE_PARSE_INTERNAL_H
