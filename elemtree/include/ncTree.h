/*
 * The element tree library: everything a module needs in one include.
 */
#ifndef NC_TREE_H
#define NC_TREE_H

#include "ncElement.h"
#include "ncExec.h"
#include "ncHandle.h"
#include "ncOutput.h"
#include "ncParse.h"
#include "ncPath.h"

#endif /* NC_TREE_H */
