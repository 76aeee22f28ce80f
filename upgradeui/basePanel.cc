// The LCD panel on the SPI bus: bus set-up, transfers, the panel's start-up
// sequence and the commit of the framebuffer.
#include "basePanel.h"

#include "baseGpio.h"
#include "baseLcd.h"
#include "export.h"
#include "framebuffer.h"

#include <fcntl.h>
#include <linux/spi/spidev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace upgradeui {

alignas(4) unsigned char gFramebuffer[kFramebufferSize];

namespace {

constexpr char kSpiDevice[] = "/dev/spidev32766.0";
constexpr uint8_t kSpiMode = SPI_MODE_2;  // clock idle high, data on the first edge
constexpr uint8_t kBitsPerWord = 8;
constexpr uint32_t kSpeedHz = 7500000;
constexpr uint16_t kDelayAfterTransferUs = 1;
constexpr unsigned kMaxTransfer = 4096;  // the spidev driver's buffer

// GPIO 22: 0 while command bytes go out, 1 while display data does.
constexpr int kCommandDataLine = 22;
constexpr char kCommandDataLabel[] = "lcd_cmd_data";

// The panel's start-up sequence: every byte a command, with the pause after it.
struct StartupStep {
  uint8_t command;
  uint16_t pause_us;
};
constexpr StartupStep kPanelStartup[] = {
    {0xE2, 10000},  // reset
    {0xAE, 2000},   // display off
    {0xEE, 2000},   // end read-modify-write
    {0xA2, 2000},   // bias 1/9
    {0xA1, 2000},   // segment direction reversed (the glass is wired mirrored)
    {0xC0, 2000},   // common direction normal
    {0xA6, 2000},   // display not inverted
    {0x24, 2000},   // regulator resistor ratio 4
    {0x81, 0},      // contrast, with its value next
    {0x33, 2000},
    {0x2F, 2000},   // power control: booster, regulator and follower on
    {0xF8, 2000},   // booster ratio, with its value next
    {0x01, 2000},
    {0x40, 2000},   // start line 0
    {0xA4, 2000},   // normal display, not all points on
    {0xAF, 2000},   // display on
};

// Commit: per page, its address and column 0 (low and high nibble).
constexpr uint8_t kPageAddress = 0xB0;
constexpr uint8_t kColumnLowZero = 0x00;
constexpr uint8_t kColumnHighZero = 0x10;

// The address window commands of colour panel controllers.
constexpr uint8_t kColumnWindow = 0x2A;
constexpr uint8_t kRowWindow = 0x2B;
constexpr uint8_t kMemoryWrite = 0x2C;
constexpr unsigned kWindowPauseUs = 100;

int gSpiFd = -1;
uint8_t gSpiModeByte;

// A panel that cannot be driven ends the process, with the system's reason.
[[noreturn]] void Fatal(const char *what) {
  std::perror(what);
  std::abort();
}

void SpiRequest(unsigned long request, void *value, const char *failure) {
  if (ioctl(gSpiFd, request, value) == -1) Fatal(failure);
}

void SendByte(uint8_t byte, int level) {
  gpio_set_value(kCommandDataLine, level);
  spiTransferDatas(&byte, 1);
}
void SendCommand(uint8_t byte) { SendByte(byte, 0); }
void SendParameter(uint8_t byte) { SendByte(byte, 1); }

void SendParameterPair(uint16_t first, uint16_t last) {
  SendParameter(static_cast<uint8_t>(first >> 8));
  SendParameter(static_cast<uint8_t>(first));
  SendParameter(static_cast<uint8_t>(last >> 8));
  SendParameter(static_cast<uint8_t>(last));
}

}  // namespace
}  // namespace upgradeui

using namespace upgradeui;

extern "C" {

UPGRADEUI_EXPORT int spiTransferDatas(const unsigned char *data, unsigned int length) {
  if (data == nullptr || length == 0 || gSpiFd < 0) return 0;
  int transfers = 0;
  for (unsigned offset = 0; offset < length; offset += kMaxTransfer) {
    spi_ioc_transfer transfer{};
    transfer.tx_buf = reinterpret_cast<uintptr_t>(data + offset);
    transfer.len = std::min(kMaxTransfer, length - offset);
    transfer.speed_hz = kSpeedHz;
    transfer.delay_usecs = kDelayAfterTransferUs;
    transfer.bits_per_word = kBitsPerWord;
    transfer.cs_change = 0;
    if (ioctl(gSpiFd, SPI_IOC_MESSAGE(1), &transfer) <= 0) Fatal("can't send spi message");
    ++transfers;
  }
  return transfers;
}

UPGRADEUI_EXPORT int baseLcdInit(void) {
  // The command/data line; a line that cannot be had shows as a dead panel.
  gpio_free(kCommandDataLine);
  if (gpio_request(kCommandDataLine, kCommandDataLabel) == 0) gpio_direction_output(kCommandDataLine, 0);

  // Starting again: the bus opened last time is not left behind.
  if (gSpiFd >= 0) close(gSpiFd);
  gSpiFd = open(kSpiDevice, O_RDWR | O_CLOEXEC);
  if (gSpiFd < 0) Fatal("can't open device");

  gSpiModeByte = kSpiMode;
  SpiRequest(SPI_IOC_WR_MODE, &gSpiModeByte, "can't set spi mode");
  SpiRequest(SPI_IOC_RD_MODE, &gSpiModeByte, "can't get spi mode");
  uint8_t bits = kBitsPerWord;
  SpiRequest(SPI_IOC_WR_BITS_PER_WORD, &bits, "can't set bits per word");
  SpiRequest(SPI_IOC_RD_BITS_PER_WORD, &bits, "can't get bits per word");
  uint32_t speed = kSpeedHz;
  SpiRequest(SPI_IOC_WR_MAX_SPEED_HZ, &speed, "can't set max speed hz");
  SpiRequest(SPI_IOC_RD_MAX_SPEED_HZ, &speed, "can't get max speed hz");

  for (const StartupStep &step : kPanelStartup) {
    SendCommand(step.command);
    if (step.pause_us != 0) usleep(step.pause_us);
  }

  // The framebuffer is the library's own for the life of the process; a
  // second start clears it again rather than making another.
  std::memset(gFramebuffer, 0, sizeof gFramebuffer);
  fbp = gFramebuffer;
  return 0;
}

UPGRADEUI_EXPORT void lcdDisplayCommit(uint16_t, uint16_t, uint16_t, uint16_t) {
  if (fbp == nullptr) return;
  for (int page = 0; page < kPanelPages; ++page) {
    SendCommand(static_cast<uint8_t>(kPageAddress + page));
    SendCommand(kColumnLowZero);
    SendCommand(kColumnHighZero);
    gpio_set_value(kCommandDataLine, 1);
    spiTransferDatas(fbp + page * kPanelWidth, kPanelWidth);
  }
}

UPGRADEUI_EXPORT int lcdSetAddr(uint16_t xStart, uint16_t xEnd, uint16_t yStart, uint16_t yEnd) {
  SendCommand(kColumnWindow);
  SendParameterPair(xStart, xEnd);
  SendCommand(kRowWindow);
  SendParameterPair(yStart, yEnd);
  SendCommand(kMemoryWrite);
  usleep(kWindowPauseUs);
  return 0;
}

}  // extern "C"
