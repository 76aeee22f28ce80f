// The output buffer as the writers use it, and the writers of each format.
#ifndef ELEMTREE_OUTPUT_INTERNAL_H
#define ELEMTREE_OUTPUT_INTERNAL_H

#include "ncOutput.h"

namespace nc {

// The declaration that XML output begins with.
inline constexpr char kXmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Enlarges the buffer, step by step, until more than bytes are free behind
// used. False when it cannot.
bool EnsureFree(ncOutputBuf *output, long long bytes);

// Appends printf-style text, measured first and enlarging as needed, so that
// nothing is ever written beyond capacity. The new used, or -1.
int AppendFormat(ncOutputBuf *output, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Writers of one format each, from element down; 0 or -1.
int WriteXml(ncElement *element, ncOutputBuf *output, int indent);   // 0 XML
int WriteDot(ncElement *element, ncOutputBuf *output);               // 1 dot text
int WriteCustom(ncElement *root, ncOutputBuf *output);               // 2, 3, 5
int WriteConfigText(ncElement *element, ncOutputBuf *output);        // 4 configuration text

}  // namespace nc

#endif  // ELEMTREE_OUTPUT_INTERNAL_H
