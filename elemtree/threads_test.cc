#include "tree_fixture.h"
