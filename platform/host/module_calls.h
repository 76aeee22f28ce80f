// The record of module start calls behind host/modules.h, for the stand-ins
// that make such calls.
#ifndef HOST_MODULE_CALLS_H
#define HOST_MODULE_CALLS_H

#include <initializer_list>
#include <string>

namespace hoststub {

// Appends one call line, as host/modules.h describes it.
void NoteModuleCall(std::string line);
// A text argument as it stands in a call line: in double quotes, or null.
std::string Quoted(const char *text);
// A call line: the name and the arguments as they stand, in parentheses.
std::string CallLine(const char *name, std::initializer_list<std::string> arguments);

}  // namespace hoststub

#endif  // HOST_MODULE_CALLS_H
