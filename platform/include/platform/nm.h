/*
 * Network manager library of the phone's platform: the active network's
 * kind, addresses and interface names; and the network utility that finds
 * the MAC address of the upstream device.
 */
#ifndef PLATFORM_NM_H
#define PLATFORM_NM_H

#include <netinet/in.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Network kinds of nmGetActiveNetworkType. Other values are other kinds of
 * network (none of them wired). */
#define NM_NETWORK_WIFI 0
#define NM_NETWORK_WIRED 1

/* The size of a buffer that holds any MAC address text of the manager. */
#define NM_MAC_TEXT_SIZE 24

/* Starts the network manager, which raises the event "NM_EVENT_NET_CONNECTED"
 * through the event service once the network is up. 0. */
int nmModuleInit(void);

/* The kind of the active network. */
int nmGetActiveNetworkType(void);

/* The IPv4 address of the active network (index 0), for inet_ntop; 0.0.0.0
 * when there is none. */
struct in_addr nmGetActiveIp(int index);

/* Writes the device's MAC address text (index 0: the active network's
 * interface) into mac, which holds NM_MAC_TEXT_SIZE bytes: at most 23
 * characters and the terminating zero. 0, or -1 for a null buffer. */
int nmGetMacAddress(char *mac, int index);

/* The full names of the wired and the Wi-Fi interface ("eth0"); borrowed
 * texts that stay valid for the life of the process. */
const char *nmDevNicFullNameGet(void);
const char *nmDevWifiNicFullNameGet(void);

/* Writes the MAC address text of the device upstream of the interface (the
 * switch port or access point it is attached to) into mac, within size
 * bytes; leaves the empty text when it is not known. 0 when known, -1 when
 * not (or for a null argument). */
int networkUtilsGetUpperMac(const char *interfaceName, char *mac, int size);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_NM_H */
