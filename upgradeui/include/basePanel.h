/* The 132 x 64 LCD panel on the SPI bus /dev/spidev32766.0, with GPIO 22
 * telling command bytes (0) from display data (1). */
#ifndef UPGRADEUI_BASE_PANEL_H
#define UPGRADEUI_BASE_PANEL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Sends bytes over the bus in transfers of at most 4096 bytes; the number of
 * transfers, 0 when there is nothing to send or the bus is not open. A
 * transfer the driver refuses ends the process. */
int spiTransferDatas(const unsigned char *data, unsigned int length);

/* Sets up GPIO 22, the bus and the panel and creates the framebuffer (fbp);
 * 0. gpio_init must have succeeded first. A bus that cannot be set up ends the
 * process: the upgrade cannot show progress on a half-working panel. */
int baseLcdInit(void);

/* Sends the whole framebuffer to the panel, page by page; the arguments are
 * not used. */
void lcdDisplayCommit(uint16_t xStart, uint16_t xEnd, uint16_t yStart, uint16_t yEnd);

/* Sends an address window in the command set of colour panel controllers
 * (0x2A, 0x2B, 0x2C); 0. */
int lcdSetAddr(uint16_t xStart, uint16_t xEnd, uint16_t yStart, uint16_t yEnd);

#ifdef __cplusplus
}
#endif

#endif /* UPGRADEUI_BASE_PANEL_H */
