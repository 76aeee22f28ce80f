/*
 * Test controls of the network manager stand-in: the answers of its getters,
 * each set by the test. Defaults: network kind NM_NETWORK_WIRED, IP 0.0.0.0,
 * MAC "", interface names "eth0" and "wlan0", no upstream MAC known, the
 * network up at once.
 *
 * nmModuleInit records its call (host/modules.h) and publishes
 * "NM_EVENT_NET_CONNECTED" through the event service when the network comes
 * up: at once, after the delay the test set, or never.
 */
#ifndef HOST_NM_H
#define HOST_NM_H

#ifdef __cplusplus
extern "C" {
#endif

void hostNmSetNetworkType(int type);
/* A dotted IPv4 address; null or unparsable: 0.0.0.0. */
void hostNmSetIp(const char *ip);
/* The device's MAC text (null: ""); nmGetMacAddress gives at most 23
 * characters of it. */
void hostNmSetMac(const char *mac);
/* The interface names (null: "eth0" / "wlan0"). */
void hostNmSetNicNames(const char *wired, const char *wifi);
/* The upstream MAC known for one interface (null or "": not known). */
void hostNmSetUpperMac(const char *interfaceName, const char *mac);
/* When the network comes up after nmModuleInit: milliseconds later (0: at
 * once), or never for a negative value. */
void hostNmSetConnectDelay(int milliseconds);
/* Back to the defaults above. */
void hostNmReset(void);

#ifdef __cplusplus
}
#endif

#endif /* HOST_NM_H */
