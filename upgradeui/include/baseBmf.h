/* The bitmap font file /etc/bw-eurs.bmf (font slot 0). */
#ifndef UPGRADEUI_BASE_BMF_H
#define UPGRADEUI_BASE_BMF_H

#ifdef __cplusplus
extern "C" {
#endif

/* Reads length bytes at a file offset of the slot's font file into buffer:
 * the number read (short at the end of the file), or -1. */
int getBmfFileContents(int slot, long offset, unsigned char *buffer, int length);

/* Loads the slot's font head: 1, negative on a read failure, 0 when it
 * cannot be had. Only slot 0 has a file. */
int initBmfFileHead(int slot);

#ifdef __cplusplus
}
#endif

#endif /* UPGRADEUI_BASE_BMF_H */
