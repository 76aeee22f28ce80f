// Module tags and argument texts shared by the library's log messages. Every
// message begins with "%s: ", filled with the name of the operation.
#ifndef ELEMTREE_NC_LOG_H
#define ELEMTREE_NC_LOG_H

#include "platform/log.h"

namespace nc {

inline constexpr char kTagTree[] = "tarvo.nc";            // trees, calls, errors
inline constexpr char kTagElement[] = "tarvo.nc.element";  // elements and paths
inline constexpr char kTagParse[] = "tarvo.nc.parse";      // readers
inline constexpr char kTagOutput[] = "tarvo.nc.fileoutput";  // writers and sinks

// How invalid-parameter messages show a pointer argument.
constexpr const char *Presence(const void *pointer) { return pointer != nullptr ? "NOT NULL" : "NULL"; }

// A text argument of a message: null shows as "NULL".
constexpr const char *Shown(const char *text) { return text != nullptr ? text : "NULL"; }

}  // namespace nc

#endif  // ELEMTREE_NC_LOG_H
