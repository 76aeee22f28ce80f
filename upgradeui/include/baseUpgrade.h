/* The upgrade state, the progress record /mnt/progress.xml and the upgrade
 * screens.
 *
 * The upgrading module starts the panel (baseUiInit), sets the upgrade flag
 * to 0 and starts the progress thread (baseUpdateStartProcess). The thread
 * writes the record, shows "Upgrading ..." with a bar, and once a second reads
 * the flag and the progress cell: it shows the percentage and moves the bar
 * while the flag is 0, and ends with the success screen (flag 1) or the
 * failure screen (flag 2), after which the result display flag is 1.
 *
 * Nothing here takes a lock. The flag and the progress cell are read as whole
 * 32-bit values: a writer on another thread stores whole values (with a
 * relaxed atomic store, for example __atomic_store_n(cell, value,
 * __ATOMIC_RELAXED)). While the thread runs it is the only one that draws.
 */
#ifndef UPGRADEUI_BASE_UPGRADE_H
#define UPGRADEUI_BASE_UPGRADE_H

#include "baseLcd.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Values of the upgrade flag; any other value keeps the thread waiting. */
enum { BASE_UPGRADE_RUNNING = 0, BASE_UPGRADE_SUCCEEDED = 1, BASE_UPGRADE_FAILED = 2 };

void baseUpgradeFlagSet(int flag);

/* The progress cell: percent 0-100 while upgrading, 100 when finished, -1
 * when failed. It lives as long as the process. */
int *baseProgressAddrGet(void);

/* 1 once a result screen is up; callers reset it to 0 before waiting for a
 * new one. */
void baseUpgradeResultDiaplayFlagSet(int value);
int baseUpgradeResultDiaplayFlagGet(void);
/* Up to tries times: sleeps 100 ms and returns 1 if a result screen is up.
 * 0 after the last try (at once when tries <= 0). */
int baseUpgradeResultDiaplayCompleteCheck(int tries);

/* Writes /mnt/progress.xml whole, one line without a line end:
 *   <?xml version="1.0"?><root><pro><value>V</value><result>2</result></pro></root>
 * followed by one space, where V is 0 for a progress of 0 to 99, else the
 * progress (100 finished, -1 failed). An unwritable file is skipped. */
void baseRecordUpgradeProcess(void);
/* Progress -1, then writes the record. */
void baseRecordUpgradeFailed(void);

/* Starts the progress thread; it ends when the flag becomes 1 or 2. */
void baseUpdateStartProcess(void);

/* Draw and commit a result screen: "Update Completed" or "Update Failed",
 * then "Rebooting ...". */
void baseUpdateSuccessScreen(void);
void baseUpdateFailedScreen(void);

/* Four areas that the application fills; the keypad watcher echoes keys in
 * the third. All zero at load. */
LcdRect *getPostLcdCoordInfo(void);

#ifdef __cplusplus
}
#endif

#endif /* UPGRADEUI_BASE_UPGRADE_H */
