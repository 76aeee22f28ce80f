// phone-sim usb: libupgradeui's USB upgrade helpers on a demo USB stick: is
// the stick there, its partition mounted at /mnt/udisk, the firmware file
// found on it, and the checks the phone makes on that packet.
#include "basePacket.h"
#include "baseUsb.h"
#include "board/sandbox.h"
#include "packetBuilder.h"
#include "subcommand.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace phonesim {
namespace {

constexpr char kPartition[] = "sda1";
constexpr char kMountPoint[] = "/mnt/udisk";

constexpr Option kOptions[] = {
    {"--prefix", "TEXT", "the file-name prefix to search for (default the library's, q7; empty: any name)"},
    {"--file", "FILE", "put FILE on the stick as well"},
    {"--no-stick", nullptr, "no stick is plugged in"},
};

// The names in a directory, in the order the directory gives them (the
// order in which the firmware file is searched).
std::string Listing(const std::string &path) {
  DIR *dir = opendir(path.c_str());
  if (dir == nullptr) return "(no such directory)";
  std::string names;
  while (const dirent *entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names += (names.empty() ? "" : "  ") + name;
  }
  closedir(dir);
  return names.empty() ? "(empty)" : names;
}

// The commands the stubs recorded since the last call, as a shell shows them.
void ShowCommands(size_t *shown) {
  const std::vector<board::CommandCall> calls = board::CommandCalls();
  for (; *shown < calls.size(); ++*shown) {
    std::string line = calls[*shown].name;
    for (const std::string &argument : calls[*shown].arguments) line += " " + argument;
    std::printf("    command run: %s\n", line.c_str());
  }
}

// The checks the phone makes before it writes a packet: header (magic and
// product), type block, material.
void ShowPacketChecks(const std::string &path) {
  const std::string packet = board::ReadFile(path).value_or("");
  const std::optional<fwpacket::Fields> fields = fwpacket::ReadPrefix(packet);
  if (!fields) {
    std::printf("  the file is shorter than a packet header and type block (%zu bytes)\n", packet.size());
    return;
  }
  std::printf("  packet fields (fw-packet show):\n");
  std::string described = fwpacket::Describe(*fields);
  for (size_t begin = 0, end; (end = described.find('\n', begin)) != std::string::npos; begin = end + 1) {
    std::printf("    %s\n", described.substr(begin, end - begin).c_str());
  }
  const auto *bytes = reinterpret_cast<const unsigned char *>(packet.data());
  const int product = baseProductIdGet();
  const bool header = basePacketHeaderCheck(bytes, product, fwpacket::kHeaderMagic.data()) == 0;
  const bool type = fields->typeMagic == fwpacket::kTypeMagic;
  const bool material = baseMaterialVerionCheck(bytes + BASE_PACKET_MATERIAL_OFFSET) == 0;
  std::printf("  the phone's checks: header %s, type block %s, material %s: %s\n", header ? "accepted" : "refused",
              type ? "BINN" : "wrong", material ? "accepted" : "too old for this flash",
              header && type && material ? "the payload would be written" : "the packet would be refused");
  std::printf("  payload: %zu bytes from offset %zu\n", packet.size() - fwpacket::kPrefixSize, fwpacket::kPrefixSize);
}

std::string CheckUsb(const Options &options) {
  if (options.Has("--file") && access(options.Value("--file")->c_str(), R_OK) != 0) {
    return "cannot read " + *options.Value("--file");
  }
  if (options.Has("--no-stick") && options.Has("--file")) return "--file needs the stick: not with --no-stick";
  if (options.Has("--prefix") && options.Value("--prefix")->size() > 15) return "--prefix takes at most 15 characters";
  return {};
}

int RunUsb(const Options &options) {
  const std::string partition_dir = board::UsbPartitionDir(kPartition);
  if (options.Has("--no-stick")) {
    unlink("/dev/sda");
    unlink((std::string("/dev/") + kPartition).c_str());
  } else if (const std::optional<std::string> file = options.Value("--file")) {
    const std::string name = file->substr(file->rfind('/') + 1);
    if (!board::WriteFile(partition_dir + "/" + name, board::ReadFile(*file).value_or(""))) {
      std::fprintf(stderr, "phone-sim usb: cannot put %s on the stick\n", file->c_str());
      return 1;
    }
  }
  if (options.Has("--no-stick")) {
    std::printf("USB stick: none plugged in\n\n");
  } else {
    std::printf("USB stick: disk /dev/sda, partition /dev/%s holding\n    %s\n\n", kPartition,
                Listing(partition_dir).c_str());
  }

  size_t shown = 0;
  std::printf("isUsbDevValid() = %d\n", isUsbDevValid());
  if (const std::optional<std::string> prefix = options.Value("--prefix")) {
    modStrSet(prefix->c_str());
    std::printf("modStrSet(\"%s\")\n", prefix->c_str());
  }
  std::fflush(stdout);
  const int mounted = mountUsb();
  std::printf("mountUsb() = %d\n", mounted);
  ShowCommands(&shown);
  std::printf("    %s: %s\n", kMountPoint, Listing(kMountPoint).c_str());

  char path[256] = "";
  getFileSearchRes(path, sizeof path);
  std::printf("getFileSearchRes() wrote \"%s\"\n", path);
  if (path[0] != '\0') ShowPacketChecks(path);

  std::fflush(stdout);
  std::printf("umountUsb() = %d\n", umountUsb());
  ShowCommands(&shown);
  std::printf("    %s: %s\n", kMountPoint, Listing(kMountPoint).c_str());

  std::printf("\nFirmware file found: %s\n", path[0] != '\0' ? path : "none");
  return path[0] != '\0' ? 0 : 1;
}

}  // namespace

const Subcommand kUsbSubcommand = {
    "usb",
    "the USB upgrade helpers finding the firmware file on a demo stick",
    "Plugs a demo USB stick into the board (disk /dev/sda, partition /dev/sda1\n"
    "with a firmware packet q7-2.14.0.4.z, an old packet for another product and\n"
    "two other files) and calls the USB upgrade helpers of libupgradeui as an\n"
    "upgrading application would: isUsbDevValid, mountUsb (the board's mount is\n"
    "a stub that binds the stick's files at /mnt/udisk), getFileSearchRes (the\n"
    "first file, in directory order, whose name begins with the prefix and ends\n"
    "in .z) and umountUsb. The file found is read as a firmware packet: its\n"
    "fields and the checks the phone makes before writing it. The exit status is\n"
    "0 when a firmware file was found.\n",
    kOptions,
    "usb-stick",
    nullptr,
    CheckUsb,
    RunUsb,
};

}  // namespace phonesim
