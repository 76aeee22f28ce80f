// Marks the functions and data that libupgradeui exports; everything else is
// hidden. The version script upgradeui.map lists the same names.
#pragma once

#define UPGRADEUI_EXPORT __attribute__((visibility("default")))
