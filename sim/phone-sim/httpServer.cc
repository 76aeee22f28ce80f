#include "httpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace phonesim {
namespace {

constexpr size_t kMaxHead = 64 * 1024;
constexpr int kReadTimeoutMs = 5000;
// A body spread over time goes out in pieces this far apart.
constexpr std::chrono::milliseconds kPiecePause{50};

const char *Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t put = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (put <= 0) return false;
    data.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

}  // namespace

std::string DecodePercent(std::string_view text) {
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      decoded.push_back(text[i]);
    }
  }
  return decoded;
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : handler_(std::move(handler)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
      listen(listener_, 8) != 0 || getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) close(listener_);
}

std::string LoopbackHttpServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void LoopbackHttpServer::Serve() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (poll(&waiting, 1, 100) != 1) continue;
    const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Answer(connection);
    close(connection);
  }
}

void LoopbackHttpServer::Answer(int connection) {
  std::string head;
  while (head.find("\r\n\r\n") == std::string::npos) {
    pollfd readable{connection, POLLIN, 0};
    char chunk[4096];
    if (head.size() > kMaxHead || poll(&readable, 1, kReadTimeoutMs) != 1) return;
    const ssize_t got = recv(connection, chunk, sizeof chunk, 0);
    if (got <= 0) return;
    head.append(chunk, static_cast<size_t>(got));
  }
  // "METHOD TARGET VERSION"
  const size_t method_end = head.find(' ');
  const size_t target_end = head.find(' ', method_end + 1);
  if (method_end == std::string::npos || target_end == std::string::npos) return;
  const Request request{head.substr(0, method_end), head.substr(method_end + 1, target_end - method_end - 1)};
  const Response response = handler_(request);
  char status_line[128];
  std::snprintf(status_line, sizeof status_line,
                "HTTP/1.1 %d %s\r\nContent-Length: %zu\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n",
                response.status, Reason(response.status), response.body.size());
  if (WriteAll(connection, status_line) && request.method != "HEAD") SendBody(connection, response);
}

bool LoopbackHttpServer::SendBody(int connection, const Response &response) {
  std::string_view body = response.body;
  if (response.cut_after) body = body.substr(0, *response.cut_after);
  const auto pieces = std::max<long long>(1, response.spread / kPiecePause);
  const size_t piece = std::max<size_t>(1, response.body.size() / static_cast<size_t>(pieces));
  while (!body.empty() && !stopping_) {
    const size_t now = std::min(piece, body.size());
    if (!WriteAll(connection, body.substr(0, now))) return false;
    body.remove_prefix(now);
    if (response.spread.count() > 0 && !body.empty()) std::this_thread::sleep_for(kPiecePause);
  }
  return body.empty();
}

}  // namespace phonesim
