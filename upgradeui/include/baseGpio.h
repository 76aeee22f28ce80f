/* GPIO lines through the phone's GPIO device /dev/user-gpio, opened once per
 * process. */
#ifndef UPGRADEUI_BASE_GPIO_H
#define UPGRADEUI_BASE_GPIO_H

#ifdef __cplusplus
extern "C" {
#endif

/* 0 when the device is open (already or now), -1 when it cannot be opened. */
int gpio_init(void);
/* Closes the device if it is open. */
void gpio_term(void);

/* Claims a line with a label (cut to 31 characters): 0, or -1 when refused. */
int gpio_request(int gpio, const char *label);
void gpio_free(int gpio);
/* 0, or -1 when refused. */
int gpio_direction_input(int gpio);
int gpio_direction_output(int gpio, int value);
/* The line's value, or -1 when refused. */
int gpio_get_value(int gpio);
void gpio_set_value(int gpio, int value);

#ifdef __cplusplus
}
#endif

#endif /* UPGRADEUI_BASE_GPIO_H */
