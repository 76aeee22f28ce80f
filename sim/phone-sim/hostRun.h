// phone-sim's side of phone-host, the phone's processes that load the
// libraries: starting one on the board and reading what it printed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace phonesim {

struct HostRun {
  int status = -1;       // phone-host's exit status
  bool stopped = false;  // ended by phone-sim
  std::string output;

  // The result code that mtPostDownloadResultNotify acted on, if it ran.
  std::optional<int> Result() const;
  // The OTA library's after-upgrade step started the main application.
  bool MainApplicationStarted() const;
};

// Runs phone-host with the arguments. Each line it prints goes to show as it
// comes; between them, about every 20 ms, tick runs and says whether to go
// on: phone-host is stopped when it says no.
HostRun RunPhoneHost(const std::vector<std::string> &arguments, const std::function<void(const std::string &)> &show,
                     const std::function<bool()> &tick);

// The name of a result code of the download flows ("DOWNLODA_NONET").
const char *ResultName(int result);

}  // namespace phonesim
