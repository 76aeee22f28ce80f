/*
 * Publishing side of the event service stand-in, for the other stand-ins (the
 * network manager raises "NM_EVENT_NET_CONNECTED") and for tests.
 */
#ifndef HOST_EVENT_H
#define HOST_EVENT_H

#ifdef __cplusplus
extern "C" {
#endif

/* Queues one event. Its callbacks run in order of registration on the event
 * service's thread; events published before uEventInit wait for it.
 * 0, or -1 for a null name. */
int hostEventPublish(const char *event, void *data);
/* Waits until every event published so far has been delivered (returns at
 * once when uEventInit has not run). */
void hostEventDrain(void);
/* How many callbacks are registered for the event. */
int hostEventCareCount(const char *event);

#ifdef __cplusplus
}
#endif

#endif /* HOST_EVENT_H */
