/*
 * Test controls of the OTA library stand-in: where the image goes, a writer
 * failure to inject, the command the after-upgrade step runs, and a record of
 * every call.
 */
#ifndef HOST_OTA_H
#define HOST_OTA_H

#ifdef __cplusplus
extern "C" {
#endif

/* The file ota_file_upgrade_from_fp writes the image to (made anew on each
 * call). Null or unset: the payload is read and counted, and nothing is
 * written. */
void hostOtaSetImagePath(const char *path);
/* fail non-zero: the writer reads the stream to its end, then returns -1. It
 * does the same when the image file cannot be made. */
void hostOtaSetWriteFailure(int fail);
/* A shell command the after-upgrade step runs after saying that Pavo starts
 * (null: none). */
void hostOtaSetAfterCommand(const char *command);

typedef struct hostOtaRecord {
    char calls[256];        /* the calls in order: "set,write,start", cut when long */
    int setCalls, lastSetMode;
    int writeCalls, lastWriteMode, lastWriteResult;
    long long lastWriteBytes;  /* payload bytes the last write read */
    int startCalls;
    int lastStartPrint, lastStartErrorPrint;  /* 1 when that print callback was given */
} hostOtaRecord;

void hostOtaRecordGet(hostOtaRecord *record);
/* Forgets the record and every setting above. */
void hostOtaReset(void);

#ifdef __cplusplus
}
#endif

#endif /* HOST_OTA_H */
