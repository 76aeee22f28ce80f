// The phone's LEDs through the GPIO device: the process-wide slot table read
// from the LED map, the pins prepared at start-up, and setting LEDs in a
// colour mode.
#pragma once

namespace ledfirstkey {

// Which channels of a two-colour LED take the value set; the others go dark.
enum ColourMode : int {
  kSecondColour = 0,
  kFirstColour = 1,
  kBothColours = 2,
  kAllDark = 3,  // and any other mode
};

// Resets the slot table (every LED not wired) and reads the LED map into it:
// 0, or -1 when the map cannot be opened.
int ledConfLoad();

// Opens the GPIO device, loads the map, claims and darkens every GPIO pin of
// an LED and, when an LED is on the chain, the chain's pins, and shifts a
// dark chain out: 0, or -1 when the device or the map cannot be opened.
int ledModuleInit();

// Sets the LED of a slot to value (0 or 1) in a colour mode: 0, or -1 for a
// slot that does not exist.
int ledSet(int slot, int value, int mode);

// Slots 0 to last: on in the mode, or dark for kAllDark.
void ledSetRange(int mode, int last);

}  // namespace ledfirstkey
