/*
 * Test controls of the platform modules that a process starts (storage, sdev,
 * log, event service, configuration, device manager, network manager, time,
 * certificate manager) and of the factory test support: each start call is
 * recorded, in order, as one line: the function's name and its arguments in
 * parentheses, texts in double quotes, a callback as "callback" (or "null"):
 *   sdevFsRegister("/etc", "/mnt/userdata/etc")
 *   uEventCare("NM_EVENT_NET_CONNECTED", callback, 0)
 *   nmModuleInit()
 */
#ifndef HOST_MODULES_H
#define HOST_MODULES_H

#ifdef __cplusplus
extern "C" {
#endif

/* The number of calls recorded since the last clear. */
int hostModuleCallCount(void);
/* Copies call index (from 0) into line, within size bytes. 0, or -1 for a
 * bad index or buffer. */
int hostModuleCallGet(int index, char *line, int size);
/* Forgets the calls recorded. */
void hostModuleCallsClear(void);

#ifdef __cplusplus
}
#endif

#endif /* HOST_MODULES_H */
