/*
 * Device info report plug-in.
 *
 * A host process loads the plug-in and calls infoReportInit. From then on,
 * whenever the network manager raises "NM_EVENT_NET_CONNECTED", whenever the
 * report server setting changes, and on the plug-in's own timers, the plug-in
 * sends the report server one HTTP GET request whose URL carries a JSON text
 * with the device identifier, MAC and IP addresses, upstream MAC, link kind,
 * firmware version and local time. A report answered with 200 is repeated a
 * day later; a failed one is retried after 30 minutes, three times in a row,
 * then daily again.
 *
 * The plug-in takes every platform function from its host process: the
 * runtime and log library, the configuration library (platform/config.h),
 * the network manager (platform/nm.h), the property library
 * (platform/prop.h), the time module (platform/tm.h) and the HTTP client
 * library (platform/http.h), whose records it fills.
 */
#ifndef INFO_REPORT_H
#define INFO_REPORT_H

#ifdef __cplusplus
extern "C" {
#endif

/* The configuration module of the plug-in, its alias, and its one setting:
 * the report server address (at most INFO_REPORT_URL_SIZE - 1 characters),
 * which begins the report URL. */
#define INFO_REPORT_CONFIG_MODULE "<INFO REPORT CONFIG MODULE>"
#define INFO_REPORT_CONFIG_ALIAS "infoReport"
#define INFO_REPORT_SERVER_KEY "Server              :"
#define INFO_REPORT_URL_SIZE 512

/* Registers the configuration module (infoReportCfgInit), creates the
 * report lock and subscribes to "NM_EVENT_NET_CONNECTED". Sends nothing.
 * Calling it again (after infoReportUninit, say) only creates the report
 * lock anew: the registration and the subscription are made once per
 * process. The result of the subscription: 0, or -1. */
int infoReportInit(void);

/* Cancels the pending report timer and deletes the report lock. The
 * configuration registration and the event subscription stay; a later event
 * still runs a report. Must not run at the same time as a report. 0. */
int infoReportUninit(void);

/* One report run: cancels the pending report timer, builds the report URL
 * and sends it; the response arms the next timer. When the upstream MAC is
 * not known yet (for at most five runs) or the clock is not set, the report
 * is postponed by 3 seconds instead. Without a CTEI prefix or a server
 * address nothing is sent and no timer is armed. */
void infoReportProcess(void);

/* Copies the configured report server address into server (within size,
 * always terminated; "" when none is configured). A null server does
 * nothing. */
void infoReportServerGet(char *server, int size);

/* Creates the configuration lock and registers the alias and the
 * configuration module with the configuration library, once per process.
 * A failed registration is tried again by the next call. The result of
 * moduleConfigRegister: 0, or -1. */
int infoReportCfgInit(void);

#ifdef __cplusplus
}
#endif

#endif /* INFO_REPORT_H */
