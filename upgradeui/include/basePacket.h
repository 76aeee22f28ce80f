/* Firmware packet checks and the image digest kept for the user configuration
 * file.
 *
 * A firmware packet is read front to back as a stream:
 *   0-63   packet header: 16-byte magic, 16-byte image digest (offset 16),
 *          product id as four ASCII characters (offset 60)
 *   64-95  type block: "BINN" and, at packet offset 84, the material byte whose
 *          low 4 bits are the packet's flash material version
 *   96-    payload, handed on to the OTA library's image writer
 */
#ifndef UPGRADEUI_BASE_PACKET_H
#define UPGRADEUI_BASE_PACKET_H

#ifdef __cplusplus
extern "C" {
#endif

enum {
  BASE_PACKET_HEADER_SIZE = 64,
  BASE_PACKET_MAGIC_SIZE = 16,
  BASE_PACKET_DIGEST_OFFSET = 16,
  BASE_PACKET_DIGEST_SIZE = 16,
  BASE_PACKET_PRODUCT_ID_OFFSET = 60,
  BASE_PACKET_TYPE_BLOCK_SIZE = 32,
  BASE_PACKET_MATERIAL_OFFSET = 84,            /* from the start of the packet */
  BASE_PACKET_TYPE_BLOCK_MATERIAL_OFFSET = 20, /* from the start of the type block */
  BASE_PACKET_PAYLOAD_OFFSET = 96
};

/* Digest types of baseImageDigestSave: only type 3 keeps the digest. */
enum { BASE_DIGEST_TYPE_KEPT = 3, BASE_DIGEST_TYPE_4 = 4 };

/* The device's product id: the first four bytes of /etc/product as a
 * big-endian number ("1001" is 0x31303031); 0 when the file is missing or
 * empty. */
int baseProductIdGet(void);

/* 0 when the 64-byte header carries the 16 magic bytes and a product id of
 * "1001", "1002" (accepted by every product) or equal to productId; else -1. */
int basePacketHeaderCheck(const unsigned char *header, int productId, const char *magic);

/* -1 when the packet's material version (low 4 bits of *material) is below
 * the minimum that /etc/material_verion.conf sets for this device's flash
 * (/proc/flashinfo); 0 when it is not, or when that cannot be decided. */
int baseMaterialVerionCheck(const unsigned char *material);

/* Keeps the 16 digest bytes, as 32 lower-case hexadecimal digits, for a later
 * baseWriteImgaeDigestToFlash when digestType is 3; any other type clears
 * what was kept. */
void baseImageDigestSave(const unsigned char *digest, int digestType);

/* Writes the kept digest as the value of the "Firmware Digest    :" line of
 * /mnt/userdata/default_user_config.txt. The file is replaced whole: the new
 * content is written beside it, flushed to disk and renamed over it, so that a
 * power failure leaves either the old or the new file. */
void baseWriteImgaeDigestToFlash(void);

#ifdef __cplusplus
}
#endif

#endif /* UPGRADEUI_BASE_PACKET_H */
