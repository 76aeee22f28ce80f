/* The post-boot firmware upgrade.
 *
 * A host process calls mtPostUpdateResolve with its argument vector:
 *   argv[1]  upgrade type: 0 the boot-time upgrade from the user
 *            configuration file; 1, 3, 4, 5 an upgrade from the URL after
 *            "-u" (argv[3], with user argv[4] and password argv[5]) or else
 *            from the configuration file; 2 the local web upgrade on the
 *            port after "-p" (argv[3])
 * The download flows read the firmware packet as a stream, check it, show the
 * upgrade screens and hand the payload to the OTA library's image writer.
 * They end in mtPostDownloadResultNotify: after a failure the main
 * application is started and the failure is recorded; when there was nothing
 * to do the main application is started and the process ends (status 0);
 * after a successful write control returns to the host.
 *
 * Every operation runs in the caller's thread and prints its progress on
 * standard output.
 */
#ifndef POSTUPGRADE_MT_POST_PROCESS_H
#define POSTUPGRADE_MT_POST_PROCESS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Results of a download flow. */
enum {
  DOWNLODA_SUCCESS = 0, /* the packet was checked and written */
  DOWNLODA_NOTNEED = 1, /* nothing to do: the main application starts */
  DOWNLODA_FAILED = -1, /* no stream, or the packet was refused or not written */
  DOWNLODA_NOURL = -2,  /* no usable URL */
  DOWNLODA_NONET = -3   /* the network did not come up in time */
};

/* The upgrade type of the local web upgrade. */
enum { eWebLocalUpgrade = 2 };

/* The product code "Q271", four characters without a terminator. */
extern const char gProductId[4];

/* ---- Entry point -------------------------------------------------------- */

/* Runs the upgrade that argv asks for (see above); argc counts argv's
 * entries, and an argument beyond it counts as absent. The result of the
 * flow it ran, or the shell's result for the web server. Does not return
 * when there is nothing to do. */
int mtPostUpdateResolve(int argc, char **argv);
/* Start and stop hooks of the host: they do nothing. 0. */
int user_sysinit(void);
int user_syskill(void);

/* ---- Download flows ----------------------------------------------------- */

/* The upgrade from the Firmware Url, User and password of the user
 * configuration file; type 0 (the boot-time run) first brings up the
 * network. Ends with mtPostDownloadResultNotify and returns its result. */
int mtPostAutoProcess(int imageUpgradeType);
/* The upgrade from url (user and password may be null), after the network
 * has come up: -1 at once when it does not; otherwise as mtPostAutoProcess. */
int mtPostAutoProcessByCm(const char *url, const char *user, const char *password, int imageUpgradeType);
/* Acts on a DOWNLODA_ result; does not return for DOWNLODA_NOTNEED. 0. */
int mtPostDownloadResultNotify(int result);
/* 1 when the first "Zel Verify Peer Enable" line of the user configuration
 * file holds the character 1, 0 when it does not or there is none, -1 when
 * the file could not be searched. */
int zelVerifyPeerGet(void);

/* ---- Packet update, process control, digests ---------------------------- */

/* Checks the packet read from fd (header, product, type block, material),
 * starts the upgrade screens and hands the payload to the image writer.
 * Type 0 first stops the boot screen process "logo". 0 when the packet was
 * accepted and written, else -1. fd stays open; it reads blocking from now
 * on. */
int mtPostPacketFileUpdateProcess(int fd, int imageUpgradeType);
/* Stops any running "ota-upgrade-cgi" process (the web upgrade's). 0. */
int mtPostProcessCheckBeforeDownload(void);
/* 1 when a line of the process listing holds name, else 0. A null name, or
 * one with a character other than a letter, a digit, '.', '_' or '-', is
 * refused with 0 and nothing is run. */
int systemProcessCheck(const char *name);

/* The MD5 digest of length bytes at data as 32 lower-case hexadecimal
 * characters: copied to out (32 bytes, no terminator) and returned in one of
 * ten slots that are used in turn (a slot keeps its text for ten further
 * conversions). Null for a null pointer or a negative length. */
char *mtGet32BytesDigestByMemory(const void *data, int length, char *out);
/* The same for the 16 digest bytes at digest. */
char *digestTransformation32(const unsigned char *digest, char *out);

#ifdef __cplusplus
}
#endif

#endif /* POSTUPGRADE_MT_POST_PROCESS_H */
