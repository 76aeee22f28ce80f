// phone-sim web: the local web upgrade, upgrade type 2 of libpostupgrade's
// entry point: the web upgrade's CGI of an earlier upgrade is stopped and the
// web server command is run on the port given.
#include "board/program.h"
#include "board/sandbox.h"
#include "hostRun.h"
#include "mtPostProcess.h"
#include "subcommand.h"

#include <cstdio>
#include <string>
#include <vector>

namespace phonesim {
namespace {

constexpr char kDefaultPort[] = "8080";
// The web upgrade's CGI program, which the entry point stops first.
constexpr char kWebUpgradeCgi[] = "ota-upgrade-cgi";

constexpr Option kOptions[] = {
    {"--port", "PORT", "the port after -p (default 8080); a text that is not a number counts as 0"},
    {"--no-port", nullptr, "no -p and no port: the port error, after which the main application starts"},
};

std::string CheckWeb(const Options &options) {
  if (options.Has("--port") && options.Has("--no-port")) return "give --port or --no-port, not both";
  return {};
}

int RunWeb(const Options &options) {
  std::vector<std::string> arguments = {"upgrade", "--", std::to_string(eWebLocalUpgrade)};
  if (!options.Has("--no-port")) arguments.insert(arguments.end(), {"-p", options.Value("--port").value_or(kDefaultPort)});
  board::Program cgi(board::StandInProcessCommand(kWebUpgradeCgi));

  std::string command = "$ phone-host";
  for (const std::string &argument : arguments) command += " " + argument;
  std::printf("%s    (%s of an earlier web upgrade is running)\n", command.c_str(), kWebUpgradeCgi);
  std::fflush(stdout);
  const HostRun run = RunPhoneHost(
      arguments,
      [](const std::string &line) {
        std::printf("  | %s\n", line.c_str());
        std::fflush(stdout);
      },
      [] { return true; });

  std::printf("\nOutcome\n");
  std::printf("  %-18s %s\n", kWebUpgradeCgi, cgi.Running() ? "still running" : "stopped");
  bool served = false;
  for (const board::CommandCall &call : board::CommandCalls()) {
    if (call.name != "httpd") continue;
    std::string line = "/bin/httpd";
    for (const std::string &argument : call.arguments) line += " " + argument;
    std::printf("  web server         %s (a stub on the board: recorded, not run)\n", line.c_str());
    served = true;
  }
  if (!served) std::printf("  web server         not started\n");
  if (run.MainApplicationStarted()) {
    std::printf("  result             the port error: the main application Pavo started, the host process ended\n");
  }
  if (run.status != 0) std::printf("  phone-host         ended with exit status %d\n", run.status);
  return (served || run.MainApplicationStarted()) && run.status == 0 ? 0 : 1;
}

}  // namespace

const Subcommand kWebSubcommand = {
    "web",
    "the local web upgrade: the web server command on its port",
    "Runs the phone's host process with upgrade type 2, the local web upgrade,\n"
    "and the port after -p, as the phone's host calls mtPostUpdateResolve for\n"
    "it. The entry point stops the web upgrade's CGI program (ota-upgrade-cgi,\n"
    "here a stand-in left running by an earlier upgrade) and runs the web server\n"
    "command \"/bin/httpd -h /webroot -p PORT\" through the shell; the board's\n"
    "/bin/httpd is a stub that records it. Without a port the entry point\n"
    "reports the port error and lets the main application start. The exit\n"
    "status is 0 when the one or the other happened.\n",
    kOptions,
    nullptr,
    nullptr,
    CheckWeb,
    RunWeb,
};

}  // namespace phonesim
