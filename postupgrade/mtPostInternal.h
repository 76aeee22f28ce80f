// The steps of the post-boot upgrade behind the exported operations, shared
// by its source files and reached by its tests.
#pragma once

#include "userConfigFile.h"

namespace postupgrade {

// ---- User configuration file ----------------------------------------------

// Loads the whole user configuration file as the module's configuration text
// (dropping any earlier one). -1 when the file is missing, empty or does not
// fit in memory; 0 when it was loaded, and also when it exists but cannot be
// opened (then no text is loaded).
int mtPostConfigLoad();
// The Firmware Url, User and password values of the loaded text, each a new
// uMalloc copy of at most 511 characters; an absent value leaves its pointer
// untouched.
void mtPostConfigValuesGet(char **url, char **user, char **password);
void mtPostConfigFree();
// Blanks the three Firmware values in the file, keeping every other byte;
// the file is replaced whole through fs, so that a stop at any point leaves
// it either as it was or blanked.
void mtPostCleanConfigValue(upgradeui::FileSystem &fs);
inline void mtPostCleanConfigValue() { mtPostCleanConfigValue(upgradeui::SystemFileSystem()); }
// A new uMalloc copy of text; null for a null or empty text or out of memory.
char *mtPostStrDup(const char *text);

// ---- Download flow --------------------------------------------------------

// The upgrade type of the boot-time run, which reads the user configuration
// file, brings up the network and stops the boot screen.
inline constexpr int kBootTimeType = 0;

// What a run finds when nothing usable is configured: DOWNLODA_NOTNEED for
// the boot-time run, DOWNLODA_NOURL for any other type.
int mtPostNoConfigResult(int imageUpgradeType);
// Opens the download of url and runs the packet update on it. 0, or -1.
int mtPostDownloadStart(const char *url, const char *user, const char *password, int imageUpgradeType);
int mtPostByCmDownload(const char *url, const char *user, const char *password, int imageUpgradeType);

// ---- Platform modules and network -----------------------------------------

// Starts the platform modules and waits up to 10 s for the network. 0 when
// connected, -1 after the wait.
int mtPostNmStart();
void mtPostSdevRegister();
int mtPostNetConnectedCallback(const char *event, void *data, void *arg);

// ---- Processes --------------------------------------------------------------

// Runs command through the shell and reads the first line it prints (at most
// size - 1 bytes, the line end kept). A signal of the host process arriving
// meanwhile does not cut the read short. False when the command could not be
// started or its output not read.
bool mtPostCommandFirstLine(const char *command, char *line, size_t size);
// Kills every process named name, checking and killing at most 5 times.
void mtPostProcessKill(const char *name);
// True when name may stand in a shell command: 1 to kProcessNameMax
// letters, digits, '.', '_' or '-'.
bool mtPostProcessNameSafe(const char *name);
inline constexpr int kProcessNameMax = 64;

}  // namespace postupgrade
