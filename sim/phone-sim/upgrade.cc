// phone-sim upgrade: the boot-time firmware upgrade as the phone runs it. A
// demo firmware packet served on loopback HTTP, its URL in the user
// configuration file, and the phone's host process calling libpostupgrade's
// entry point with type 0; the LCD shown as the panel draws it.
#include "board/program.h"
#include "board/sandbox.h"
#include "hostRun.h"
#include "httpServer.h"
#include "packetBuilder.h"
#include "screenView.h"
#include "subcommand.h"
#include "terminal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace phonesim {
namespace {

constexpr char kWorkDir[] = "/tmp/phone-sim";
constexpr char kImagePath[] = "/tmp/phone-sim/image.bin";
constexpr char kPayloadPath[] = "/tmp/phone-sim/payload.bin";
constexpr char kPacketPath[] = "/tmp/phone-sim/packet.bin";
constexpr char kUserConfigFile[] = "/mnt/userdata/default_user_config.txt";
constexpr char kUrlKey[] = "Firmware Url       :";
constexpr char kProgressRecord[] = "/mnt/progress.xml";
constexpr char kServedPath[] = "/firmware/q7-2.14.0.4.z";
// The demo payload, and how long the server takes to send it: long enough
// for the progress screen to count up, once a second.
constexpr size_t kDemoPayloadSize = 192 * 1024;
constexpr auto kDownloadTime = std::chrono::milliseconds(4000);
// The longest road takes about 20 s; the emulator may make it slower.
constexpr auto kRunLimit = std::chrono::seconds(120);

// The roads on which the upgrade fails.
struct FailRoad {
  const char *name;
  const char *what;
  bool changes_packet;  // the demo packet is made to fail
};
constexpr FailRoad kFailRoads[] = {
    {"magic", "the packet header's magic is wrong", true},
    {"product", "the packet is for another product (7310; this phone is 2420)", true},
    {"material", "the packet's material version 1 is below this flash's minimum 2", true},
    {"binn", "the type block does not begin with \"BINN\"", true},
    {"network", "the network never comes up (the upgrade waits 10 s for it)", false},
    {"http", "the server breaks the download off half-way through the payload", false},
    {"writer", "the OTA library's image writer fails", false},
};

constexpr Option kOptions[] = {
    {"--fail", "ROAD",
     "a road on which the upgrade fails: magic, product, material, binn (the packet is refused), network (no "
     "network), http (the download breaks off), writer (the image writer fails)"},
    {"--packet", "FILE", "serve this firmware packet instead of the demo packet (fw-packet builds one)"},
    {"--url", "URL", "download the firmware packet from URL instead of the simulator's server"},
    {"--screens", "DIR",
     "save each screen as a PNG picture in DIR (default: screens/upgrade in phone-sim's build directory)"},
    {"--plain", nullptr, "print each new screen and line once instead of a live picture (the default off a terminal)"},
};

volatile std::sig_atomic_t gInterrupted = 0;

const FailRoad *FindRoad(const std::optional<std::string> &name) {
  if (!name) return nullptr;
  const auto road = std::find_if(std::begin(kFailRoads), std::end(kFailRoads),
                                 [&](const FailRoad &known) { return *name == known.name; });
  return road == std::end(kFailRoads) ? nullptr : road;
}

// The packet the phone downloads, and the payload it carries.
struct Firmware {
  std::string packet;
  std::string payload;
};

std::optional<Firmware> DemoFirmware(const FailRoad *road) {
  std::string payload = "demo firmware image 2.14.0.4 for product 2420\n";
  for (size_t i = payload.size(); i < kDemoPayloadSize; ++i) payload.push_back(static_cast<char>((i * 131) >> 3));
  fwpacket::Fields fields;
  const std::string_view name = road != nullptr ? road->name : "";
  if (name == "magic") fields.magic[0] = '-';
  if (name == "product") fields.productId = "7310";
  if (name == "material") fields.material = 0x01;
  if (name == "binn") fields.typeMagic = "NIBB";
  if (!board::WriteFile(kPayloadPath, payload)) return std::nullopt;
  const auto digest = fwpacket::FileDigest(kPayloadPath);
  if (!digest) return std::nullopt;
  fields.digest = *digest;
  if (!fwpacket::WritePacket(fields, kPayloadPath, kPacketPath)) return std::nullopt;
  const std::optional<std::string> packet = board::ReadFile(kPacketPath);
  if (!packet) return std::nullopt;
  return Firmware{*packet, std::move(payload)};
}

std::optional<Firmware> OwnFirmware(const std::string &path) {
  std::optional<std::string> packet = board::ReadFile(path);
  if (!packet) return std::nullopt;
  std::string payload = packet->size() > fwpacket::kPrefixSize ? packet->substr(fwpacket::kPrefixSize) : "";
  return Firmware{std::move(*packet), std::move(payload)};
}

// The user configuration file with value after key, up to the line's CR LF;
// a key that is missing is added as a line of its own.
bool SetUserConfigValue(std::string_view key, std::string_view value) {
  std::string text = board::ReadFile(kUserConfigFile).value_or("");
  const size_t at = text.find(key);
  if (at == std::string::npos) {
    text += std::string(key) + std::string(value) + "\r\n";
  } else {
    const size_t start = at + key.size();
    const size_t end = text.find("\r\n", start);
    text.replace(start, (end == std::string::npos ? text.size() : end) - start, value);
  }
  return board::WriteFile(kUserConfigFile, text);
}

// The firmware server: the packet at kServedPath, sent over kDownloadTime,
// broken off half-way on the http road. What it served is said on the run's
// own thread.
class FirmwareServer {
 public:
  FirmwareServer(const Firmware &firmware, bool break_off)
      : server_([this, &firmware, break_off](const LoopbackHttpServer::Request &request) {
          LoopbackHttpServer::Response response;
          if (request.target == kServedPath) {
            response.body = firmware.packet;
            response.spread = kDownloadTime;
            if (break_off) response.cut_after = fwpacket::kPrefixSize + firmware.payload.size() / 2;
          } else {
            response.status = 404;
            response.body = "no such file\n";
          }
          char line[256];
          std::snprintf(line, sizeof line, "firmware server: %s %s: %d, %zu of %zu bytes", request.method.c_str(),
                        request.target.c_str(), response.status,
                        response.cut_after.value_or(response.body.size()), response.body.size());
          const std::lock_guard<std::mutex> hold(mutex_);
          said_.push_back(line);
          return response;
        }) {}

  bool Ok() const { return server_.Ok(); }
  std::string Url() const { return server_.Url(kServedPath); }
  std::vector<std::string> Take() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return std::exchange(said_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> said_;
  LoopbackHttpServer server_;  // last: it stops first
};

std::string PacketSummary(const Options &options, const std::optional<Firmware> &firmware) {
  if (options.Has("--packet")) return *options.Value("--packet");
  if (!firmware) return "at the URL";
  return "the demo packet: product 2420, material 0x0f, " + std::to_string(firmware->payload.size()) +
         " bytes of payload";
}

// The image file the OTA library wrote, and whether it is the payload.
bool ImageIsPayload(const std::optional<Firmware> &firmware) {
  const std::optional<std::string> image = board::ReadFile(kImagePath);
  return image && (!firmware || *image == firmware->payload);
}

std::string ImageVerdict(const std::optional<Firmware> &firmware) {
  const std::optional<std::string> image = board::ReadFile(kImagePath);
  if (!image) return "none written";
  std::string verdict = std::to_string(image->size()) + " bytes written: ";
  if (!firmware) return verdict + "the payload at the URL is not known here";
  if (*image == firmware->payload) return verdict + "equal to the payload";
  return verdict + "not the payload (" + std::to_string(firmware->payload.size()) + " bytes)";
}

std::string ResultVerdict(const HostRun &run) {
  const std::optional<int> result = run.Result();
  if (run.stopped) return "stopped before the end";
  if (!result) return "no result came (phone-host exit status " + std::to_string(run.status) + ")";
  std::string verdict = std::to_string(*result) + " " + ResultName(*result) + ": ";
  const std::vector<board::CommandCall> calls = board::CommandCalls();
  const bool restarted =
      std::any_of(calls.begin(), calls.end(), [](const board::CommandCall &call) { return call.name == "reboot"; });
  if (*result == 0) {
    return verdict + "the image is written; the host showed the success screen and " +
           (restarted ? "restarted the phone (reboot)" : "did not restart the phone");
  }
  if (*result == 1) return verdict + "nothing to do; the main application Pavo started and the host process ended";
  return verdict + "the failure is recorded" +
         (run.MainApplicationStarted() ? " and the main application Pavo started" : "; Pavo was not started");
}

std::string CheckUpgrade(const Options &options) {
  const std::optional<std::string> fail = options.Value("--fail");
  const FailRoad *road = FindRoad(fail);
  if (fail && road == nullptr) return "--fail takes magic, product, material, binn, network, http or writer";
  const bool own_packet = options.Has("--packet"), own_url = options.Has("--url");
  if (own_packet && own_url) return "give --packet or --url, not both";
  if (road != nullptr && road->changes_packet && (own_packet || own_url)) {
    return std::string("--fail=") + road->name + " changes the demo packet: not with --packet or --url";
  }
  if (road != nullptr && std::string_view(road->name) == "http" && own_url) {
    return "--fail=http needs the simulator's server: not with --url";
  }
  if (own_packet && access(options.Value("--packet")->c_str(), R_OK) != 0) {
    return "cannot read the packet " + *options.Value("--packet");
  }
  if (own_url && options.Value("--url")->empty()) return "--url needs a URL";
  if (options.Has("--screens") && options.Value("--screens")->empty()) return "--screens needs a directory";
  return {};
}

int RunUpgrade(const Options &options) {
  const FailRoad *road = FindRoad(options.Value("--fail"));
  mkdir(kWorkDir, 0755);
  std::optional<Firmware> firmware;
  if (options.Has("--packet")) {
    firmware = OwnFirmware(*options.Value("--packet"));
  } else if (!options.Has("--url")) {
    firmware = DemoFirmware(road);
  }
  if (!firmware && !options.Has("--url")) {
    std::fprintf(stderr, "phone-sim upgrade: cannot make the firmware packet in %s\n", kWorkDir);
    return 1;
  }
  std::optional<FirmwareServer> server;
  std::string url = options.Value("--url").value_or("");
  if (url.empty()) {
    server.emplace(*firmware, road != nullptr && std::string_view(road->name) == "http");
    if (!server->Ok()) {
      std::fprintf(stderr, "phone-sim upgrade: cannot start the firmware server on loopback\n");
      return 1;
    }
    url = server->Url();
  }
  if (!SetUserConfigValue(kUrlKey, url)) {
    std::fprintf(stderr, "phone-sim upgrade: cannot write %s\n", kUserConfigFile);
    return 1;
  }
  // The boot screen's process, which the upgrade stops before its screens.
  board::Program logo(board::StandInProcessCommand("logo"));

  std::signal(SIGINT, [](int) { gInterrupted = 1; });
  ScreenView view(LiveTerminal() && !options.Has("--plain"), "$ phone-host upgrade -- 0    (the boot-time upgrade; Ctrl-C ends)");
  view.Say("Packet   " + PacketSummary(options, firmware));
  if (road != nullptr) view.Say(std::string("Failing  ") + road->what);
  view.Say(std::string("Config   ") + kUserConfigFile + ": \"" + kUrlKey + url + "\"");

  std::vector<std::string> arguments = {"upgrade", "--image", kImagePath};
  if (road != nullptr && std::string_view(road->name) == "network") arguments.push_back("--no-network");
  if (road != nullptr && std::string_view(road->name) == "writer") arguments.push_back("--writer-fails");
  arguments.insert(arguments.end(), {"--", "0"});
  const auto started = std::chrono::steady_clock::now();
  const HostRun run = RunPhoneHost(
      arguments, [&](const std::string &line) { view.Note(line); },
      [&] {
        view.Follow();
        if (server) {
          for (const std::string &line : server->Take()) view.Say(line);
        }
        return !gInterrupted && std::chrono::steady_clock::now() - started < kRunLimit;
      });
  view.Finish();

  const std::string dir = options.Value("--screens").value_or(kOutputDir);
  const std::vector<std::string> saved = view.SavePngs(kOutputDir);
  std::printf("\nOutcome\n");
  std::printf("  screens            %zu", view.Screens().size());
  if (!saved.empty()) {
    std::printf(", saved as %s/%s", dir.c_str(), saved.front().c_str());
    if (saved.size() > 1) std::printf(" to %s", saved.back().c_str());
  }
  std::printf("%s\n", view.Screens().empty() ? " (the panel was not started)" : "");
  const std::optional<std::string> record = board::ReadFile(kProgressRecord);
  std::printf("  %-18s %s\n", kProgressRecord, record ? ("\"" + *record + "\"").c_str() : "not written");
  std::printf("  image              %s\n", ImageVerdict(firmware).c_str());
  std::printf("  boot logo          %s\n", logo.Running() ? "still running" : "stopped");
  std::printf("  result             %s\n", ResultVerdict(run).c_str());
  if (run.status != 0) std::printf("  phone-host         ended with exit status %d\n", run.status);
  return run.Result() == 0 && run.status == 0 && ImageIsPayload(firmware) ? 0 : 1;
}

}  // namespace

const Subcommand kUpgradeSubcommand = {
    "upgrade",
    "the boot-time firmware upgrade, its screens shown live and saved",
    "Builds a demo firmware packet with the packet builder, serves it on a\n"
    "loopback HTTP server (slowly, so that the progress screen counts up),\n"
    "writes its URL into the user configuration file and runs the phone's host\n"
    "process, which calls mtPostUpdateResolve with type 0 as after a boot: the\n"
    "network comes up, the packet is downloaded and checked, the boot logo is\n"
    "stopped, the progress screens run while the OTA library writes the image.\n"
    "After a successful write the host shows the success screen and restarts\n"
    "the phone; after a failure the library records it in /mnt/progress.xml and\n"
    "starts the main application.\n"
    "\n"
    "The LCD is drawn live as the panel receives it; each distinct screen is\n"
    "saved as a PNG picture. At the end: /mnt/progress.xml, whether the image\n"
    "written equals the payload, and the outcome. The exit status is 0 when the\n"
    "payload was written as the image, 1 otherwise.\n",
    kOptions,
    nullptr,
    "--screens",
    CheckUpgrade,
    RunUpgrade,
};

}  // namespace phonesim
