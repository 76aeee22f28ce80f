#include "http_recorder.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

extern char **environ;

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kStartTimeout{10000};
constexpr std::chrono::milliseconds kCommandTimeout{10000};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

void CloseFd(int &fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

std::optional<std::string> RecordedRequest::Header(std::string_view name) const {
  for (const auto &[key, value] : headers) {
    if (SameIgnoringCase(key, name)) return value;
  }
  return std::nullopt;
}

HttpRecorder::HttpRecorder(const HttpRecorderOptions &options) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  std::vector<const char *> argv = {PYTHON3_EXECUTABLE, HTTP_RECORDER_SCRIPT, "--host", "127.0.0.1", "--port", "0"};
  if (!options.root.empty()) argv.insert(argv.end(), {"--root", options.root.c_str()});
  if (!options.certFile.empty()) {
    argv.insert(argv.end(), {"--cert", options.certFile.c_str(), "--key", options.keyFile.c_str()});
    tls_ = true;
  }
  argv.push_back(nullptr);
  int rc = posix_spawn(&pid_, PYTHON3_EXECUTABLE, &actions, nullptr, const_cast<char **>(argv.data()), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  toServer_ = in[1];
  fromServer_ = out[0];
  if (rc != 0) {
    pid_ = -1;
    return;
  }
  // A test that dies must not leave the server behind: it stops at the end
  // of its input, which closes with this process.
  std::optional<nlohmann::json> event = ReadEvent(kStartTimeout);
  if (event && (*event)["event"] == "listening") port_ = (*event)["port"].get<int>();
}

HttpRecorder::~HttpRecorder() {
  CloseFd(toServer_);  // the end of its input stops the server
  if (pid_ > 0) {
    auto deadline = Clock::now() + kCommandTimeout;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        break;
      }
      usleep(10000);
    }
  }
  CloseFd(fromServer_);
}

std::string HttpRecorder::Url(std::string_view path) const {
  return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) + std::string(path);
}

bool HttpRecorder::QueueStatus(std::initializer_list<int> codes) {
  return Command({{"cmd", "status"}, {"codes", std::vector<int>(codes)}});
}

bool HttpRecorder::SetDefaultStatus(int code) { return Command({{"cmd", "default"}, {"code", code}}); }

bool HttpRecorder::CutNextBody(long long bytes) { return Command({{"cmd", "cut"}, {"after", bytes}}); }

std::vector<RecordedRequest> HttpRecorder::TakeRequests() {
  while (std::optional<nlohmann::json> event = ReadEvent(std::chrono::milliseconds(0))) Keep(*event);
  std::vector<RecordedRequest> taken(requests_.begin(), requests_.end());
  requests_.clear();
  return taken;
}

std::vector<RecordedRequest> HttpRecorder::WaitRequests(size_t count, std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (requests_.size() < count) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    std::optional<nlohmann::json> event = ReadEvent(left);
    if (!event) break;
    Keep(*event);
  }
  return TakeRequests();
}

bool HttpRecorder::Command(const nlohmann::json &command) {
  if (!ok()) return false;
  std::string line = command.dump() + "\n";
  if (write(toServer_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return false;
  auto deadline = Clock::now() + kCommandTimeout;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    std::optional<nlohmann::json> event = ReadEvent(left);
    if (!event) return false;
    if ((*event)["event"] == "ack") return true;
    Keep(*event);
  }
}

void HttpRecorder::Keep(const nlohmann::json &event) {
  if (event.value("event", "") != "request") return;
  RecordedRequest r;
  r.method = event.value("method", "");
  r.path = event.value("path", "");
  r.decodedPath = event.value("decoded_path", "");
  r.version = event.value("version", "");
  r.status = event.value("status", 0);
  for (const auto &header : event["headers"]) r.headers.emplace_back(header[0].get<std::string>(), header[1].get<std::string>());
  requests_.push_back(std::move(r));
}

std::optional<nlohmann::json> HttpRecorder::ReadEvent(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    size_t newline = buffered_.find('\n');
    if (newline != std::string::npos) {
      std::string line = buffered_.substr(0, newline);
      buffered_.erase(0, newline + 1);
      nlohmann::json event = nlohmann::json::parse(line, nullptr, false);
      if (event.is_discarded()) continue;
      return event;
    }
    if (fromServer_ < 0) return std::nullopt;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd p{fromServer_, POLLIN, 0};
    int ready = poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    char chunk[4096];
    ssize_t n = read(fromServer_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      CloseFd(fromServer_);
      return std::nullopt;
    }
    buffered_.append(chunk, static_cast<size_t>(n));
  }
}

}  // namespace testsupport
