// Marks the functions and data that libpostupgrade exports; everything else is
// hidden. The version script postupgrade.map lists the same names.
#pragma once

#define POSTUPGRADE_EXPORT __attribute__((visibility("default")))
