#include "hostRun.h"

#include "board/program.h"
#include "mtPostProcess.h"
#include "screenView.h"

#include <signal.h>
#include <unistd.h>


#include <chrono>
#include <cstdio>

namespace phonesim {
namespace {

using namespace std::chrono_literals;

// How long phone-host may take to end once it was stopped, or ended.
constexpr auto kEndLimit = 30s;
constexpr char kResultLine[] = "mtPostDownloadResultNotify : result ";
constexpr char kPavoLine[] = "upgradeAfterProcessStart : starting the main application Pavo";

}  // namespace

std::optional<int> HostRun::Result() const {
  const size_t at = output.find(kResultLine);
  if (at == std::string::npos) return std::nullopt;
  int result = 0;
  if (std::sscanf(output.c_str() + at + sizeof kResultLine - 1, "%d", &result) != 1) return std::nullopt;
  return result;
}

bool HostRun::MainApplicationStarted() const { return output.find(kPavoLine) != std::string::npos; }

HostRun RunPhoneHost(const std::vector<std::string> &arguments, const std::function<void(const std::string &)> &show,
                     const std::function<bool()> &tick) {
  HostRun run;
  board::Program host(board::ProgramCommand(PHONE_HOST_PATH, arguments));
  size_t taken = 0;
  while (host.Running()) {
    const bool go_on = tick();
    for (const std::string &line : NewLines(host.Output(), &taken)) show(line);
    if (!go_on) {
      host.Stop(SIGTERM);
      run.stopped = true;
      break;
    }
    usleep(20000);
  }
  run.status = host.Wait(kEndLimit);
  run.output = host.Output();
  tick();
  for (const std::string &line : NewLines(run.output, &taken)) show(line);
  if (taken < run.output.size()) show(run.output.substr(taken));
  return run;
}

const char *ResultName(int result) {
  switch (result) {
    case DOWNLODA_SUCCESS: return "DOWNLODA_SUCCESS";
    case DOWNLODA_NOTNEED: return "DOWNLODA_NOTNEED";
    case DOWNLODA_FAILED: return "DOWNLODA_FAILED";
    case DOWNLODA_NOURL: return "DOWNLODA_NOURL";
    case DOWNLODA_NONET: return "DOWNLODA_NONET";
    default: return "an unknown result";
  }
}

}  // namespace phonesim
