#include "ledMap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace ledfirstkey {
namespace {

struct MapCase {
  const char *map;
  std::map<int, LedSlot> slots;  // the slots the map wires; all others stay reset
  std::string messages;
};

const MapCase kMapCases[] = {
    {"SIDE_DSS_LED3,LED_GPIO,40,41\n", {{35, {kGpioLed, 40, 41}}}, ""},
    // A number past its group lands in the next group.
    {"SUB_DSS_LED40,LED_DREG,5,6\n", {{40, {kChainLed, 5, 6}}}, ""},
    {"PAGE_DSS_LED9,LED_GPIO,1,2\n", {{73, {kGpioLed, 1, 2}}}, ""},
    {"PAGE_DSS_LED10,LED_GPIO,1,2\n", {}, "dss_index:74, is out of range!\n"},
    {"LINE_LED-45,LED_GPIO,1,2\n", {}, "dss_index:-1, is out of range!\n"},
    {"\n", {}, "dss_index:-1, is out of range!\n"},
    {"KEYPAD_LED,LED_GPIO,1,2\n", {}, "dss_index:-1, is out of range!\n"},
    // Commas only separate fields: a line of commas has none (the last
    // line, or a long one cut at 126 characters), but a line end is a field.
    {",,,", {}, "error line format:<,,,>, please check it!\n"},
    {",,,\n", {}, "dss_index:-1, is out of range!\n"},
    {",POWER_LED,,LED_GPIO,,3,,,4\n", {{69, {kGpioLed, 3, 4}}}, ""},
    {"POWER_LED\n", {}, "error line format:<POWER_LED\n>, please check it!!\n"},
    // An unknown kind is skipped without a word.
    {"MUTE_LED,LED_PWM,3,4\n", {}, ""},
    // LED_DREG wins over LED_GPIO; the names are found anywhere in their field.
    {"MUTE_LED,LED_GPIO+LED_DREG,3,4\n", {{70, {kChainLed, 3, 4}}}, ""},
    {" HANDFREE_LED,LED_GPIO,5,6\n", {{72, {kGpioLed, 5, 6}}}, ""},
    // Channels are read like atoi; missing ones stay as they were.
    {"SUB_DSS_LED1,LED_GPIO, 12x,-3\n", {{1, {kGpioLed, 12, -3}}}, ""},
    {"MWI_LED,LED_GPIO\n", {{73, {kGpioLed, -1, -1}}}, ""},
    {"HEADSET_LED,LED_GPIO,7,8\nHEADSET_LED,LED_DREG,9", {{71, {kChainLed, 9, 8}}}, ""},
    // A line is read in pieces of 126 characters: the rest of a long line is
    // a line of its own.
    {"POWER_LED,LED_GPIO,3,4,                                                                           "
     "                              MUTE_LED,LED_GPIO,9\n",
     {{69, {kGpioLed, 3, 4}}, {70, {kGpioLed, 9, -1}}},
     ""},
    // Every bad line is reported and the rest still read.
    {"\nLINE_LED2,LED_DREG,0\nMUTE_LED\r\nLINE_LED3,LED_GPIO,0,17\n,,,",
     {{46, {kChainLed, 0, -1}}, {47, {kGpioLed, 0, 17}}},
     "dss_index:-1, is out of range!\nerror line format:<MUTE_LED\r\n>, please check it!!\n"
     "error line format:<,,,>, please check it!\n"},
};

TEST(LedMapTest, MapLinesWireTheirSlotsOrAreReported) {
  for (const MapCase &c : kMapCases) {
    SCOPED_TRACE(c.map);
    LedSlots slots{};
    char *text = nullptr;
    size_t size = 0;
    std::FILE *messages = open_memstream(&text, &size);
    ASSERT_NE(messages, nullptr);
    ReadLedMap(c.map, &slots, messages);
    std::fclose(messages);
    EXPECT_EQ(std::string(text, size), c.messages);
    std::free(text);
    for (int index = 0; index < kLedSlots; ++index) {
      const auto wired = c.slots.find(index);
      EXPECT_EQ(slots[index], wired == c.slots.end() ? LedSlot{} : wired->second) << "slot " << index;
    }
  }
}

TEST(LedMapTest, NamesGiveTheirSlots) {
  const struct {
    const char *name;
    int slot;
  } cases[] = {
      {"SUB_DSS_LED0", 0},   {"SUB_DSS_LED31", 31},  {"SIDE_DSS_LED0", 32}, {"SIDE_DSS_LED11", 43},
      {"LINE_LED0", 44},     {"LINE_LED19", 63},     {"PAGE_DSS_LED0", 64}, {"PAGE_DSS_LED4", 68},
      {"POWER_LED", 69},     {"MUTE_LED", 70},       {"HEADSET_LED", 71},   {"HANDFREE_LED", 72},
      {"MWI_LED", 73},       {"SUB_DSS_LED", 0},     {"LINE_LED2x", 46},    {"mute_led", -1},
      // Held to the range of int rather than overflowing.
      {"LINE_LED99999999999", 2147483647},
  };
  for (const auto &c : cases) EXPECT_EQ(LedSlotIndex(c.name), c.slot) << c.name;
}

TEST(LedMapTest, EverySlotHasTheNameThatGivesIt) {
  for (int slot = 0; slot < kLedSlots; ++slot) EXPECT_EQ(LedSlotIndex(LedSlotName(slot)), slot) << slot;
  EXPECT_EQ(LedSlotName(35), "SIDE_DSS_LED3");
  EXPECT_EQ(LedSlotName(69), "POWER_LED");
  EXPECT_EQ(LedSlotName(-1), "");
  EXPECT_EQ(LedSlotName(kLedSlots), "");
}

}  // namespace
}  // namespace ledfirstkey
