#include "host/http.h"
#include "http_recorder.h"
#include "platform/http.h"
#include "platform/runtime.h"
#include "tls_files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

// What the result callback saw. The record is the first field, so the
// callback finds it from the request it is given.
struct Call {
  curlClientRequest request{};
  int code = -100;
  int calls = 0;
  int thread = 0;
};

void Record(const curlClientRequest *request, int code) {
  auto *call = reinterpret_cast<Call *>(const_cast<curlClientRequest *>(request));
  call->code = code;
  ++call->calls;
  call->thread = taskIdSelf();
}

int Send(Call &call, const std::string &url, int method = CURL_CLIENT_METHOD_GET) {
  call.request = curlClientRequest{};
  call.request.url = url.c_str();
  call.request.connectTimeout = 10;
  call.request.timeout = 20;
  call.request.resultFunc = Record;
  call.request.method = method;
  return curlClientProcess(&call.request);
}

TEST(HttpTest, ResponseCodeReachesTheCallbackDuringTheCallOnAnotherThread) {
  testsupport::HttpRecorder server;
  ASSERT_TRUE(server.ok());
  ASSERT_TRUE(server.QueueStatus({200, 503}));
  for (int expected : {200, 503}) {
    Call call;
    EXPECT_EQ(Send(call, server.Url("/r?a=%7B%22x%22%7D")), 0);
    EXPECT_EQ(call.calls, 1) << "before curlClientProcess returned";
    EXPECT_EQ(call.code, expected);
    EXPECT_NE(call.thread, taskIdSelf());
  }
  auto requests = server.WaitRequests(2, std::chrono::seconds(10));
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].path, "/r?a=%7B%22x%22%7D");
  EXPECT_EQ(requests[0].decodedPath, "/r?a={\"x\"}");
  EXPECT_TRUE(requests[0].Header("host").has_value());
}

TEST(HttpTest, NoResponseReportsCodeZero) {
  std::string closed;
  {
    testsupport::HttpRecorder server;
    ASSERT_TRUE(server.ok());
    Call call;
    EXPECT_EQ(Send(call, server.Url("/x"), 7), -1) << "unknown method";
    EXPECT_EQ(call.code, 0);
    EXPECT_TRUE(server.TakeRequests().empty());
    closed = server.Url("/x");
  }  // nothing listens on that port any more
  Call refused;
  EXPECT_EQ(Send(refused, closed), -1);
  EXPECT_EQ(refused.calls, 1);
  EXPECT_EQ(refused.code, 0);

  Call noUrl;
  noUrl.request.resultFunc = Record;
  noUrl.request.method = CURL_CLIENT_METHOD_GET;
  EXPECT_EQ(curlClientProcess(&noUrl.request), -1);
  EXPECT_EQ(noUrl.code, 0);
  EXPECT_EQ(curlClientProcess(nullptr), -1);
}

// ---- Downloads read through a descriptor ----------------------------------

// A temporary directory with a body file, removed at the end.
class BodyDir {
 public:
  BodyDir() {
    char path[] = "/tmp/http_test.XXXXXX";
    dir_ = mkdtemp(path) != nullptr ? path : "";
  }
  ~BodyDir() {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  const std::string &dir() const { return dir_; }
  // A body of size bytes whose byte i is i * 7 mod 251.
  std::string Write(const std::string &name, size_t size) {
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>(i * 7 % 251);
    std::ofstream(dir_ + "/" + name, std::ios::binary) << body;
    return body;
  }

 private:
  std::string dir_;
};

// What a reader of the descriptor gets: the bytes, and how the stream ended
// (0: a plain end, else the errno of the failing read).
struct Stream {
  std::string bytes;
  int endError = 0;
};

Stream ReadToEnd(int fd) {
  Stream stream;
  char chunk[65536];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) stream.endError = errno;
    if (got <= 0) break;
    stream.bytes.append(chunk, static_cast<size_t>(got));
  }
  close(fd);
  return stream;
}

TEST(HttpReadOpenTest, BodyArrivesWholeWithBasicAuthenticationAndProgress) {
  BodyDir dir;
  const std::string body = dir.Write("fw.bin", 700 * 1024);
  testsupport::HttpRecorder server({.root = dir.dir()});
  ASSERT_TRUE(server.ok());
  EXPECT_EQ(curlSerivceInit(), 0);

  int progress = -5;
  const int fd = curlClientReadOpen(server.Url("/fw.bin").c_str(), 10, "admin", "s3cret", 0, 0, &progress);
  ASSERT_GE(fd, 0);
  Stream stream = ReadToEnd(fd);
  EXPECT_EQ(stream.endError, 0);
  EXPECT_TRUE(stream.bytes == body) << stream.bytes.size() << " bytes";
  // The cell reaches 100 with the last byte, which the transfer writes before
  // the stream ends.
  EXPECT_EQ(std::atomic_ref<int>(progress).load(), 100);

  auto requests = server.WaitRequests(1, std::chrono::seconds(10));
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Header("authorization"), "Basic YWRtaW46czNjcmV0");  // admin:s3cret

  // No user: no authentication; a null password is the empty one.
  for (const char *user : {static_cast<const char *>(nullptr), "admin"}) {
    const std::string url = server.Url("/fw.bin");
    EXPECT_EQ(ReadToEnd(curlClientReadOpenNotVerifyPeer(url.c_str(), 10, user, nullptr, 0, 0, nullptr)).endError, 0);
  }
  requests = server.WaitRequests(2, std::chrono::seconds(10));
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_FALSE(requests[0].Header("authorization").has_value());
  EXPECT_EQ(requests[1].Header("authorization"), "Basic YWRtaW46");  // admin:

  EXPECT_EQ(curlClientReadOpen(nullptr, 10, nullptr, nullptr, 0, 0, nullptr), -1);
}

TEST(HttpReadOpenTest, AFailedTransferMakesTheReadAfterItsLastByteFail) {
  BodyDir dir;
  const std::string body = dir.Write("fw.bin", 300 * 1024);
  std::string closedUrl;
  {
    testsupport::HttpRecorder server({.root = dir.dir()});
    ASSERT_TRUE(server.ok());
    closedUrl = server.Url("/fw.bin");

    ASSERT_TRUE(server.QueueStatus({404}));
    Stream notFound = ReadToEnd(curlClientReadOpen(server.Url("/fw.bin").c_str(), 10, nullptr, nullptr, 0, 0, nullptr));
    EXPECT_EQ(notFound.bytes.size(), 0u) << "an error page is not a body";
    EXPECT_EQ(notFound.endError, ECONNRESET);

    ASSERT_TRUE(server.CutNextBody(100000));
    Stream cut = ReadToEnd(curlClientReadOpen(server.Url("/fw.bin").c_str(), 10, nullptr, nullptr, 0, 0, nullptr));
    EXPECT_EQ(cut.bytes, body.substr(0, 100000));
    EXPECT_EQ(cut.endError, ECONNRESET);
  }
  Stream refused = ReadToEnd(curlClientReadOpen(closedUrl.c_str(), 10, nullptr, nullptr, 0, 0, nullptr));
  EXPECT_EQ(refused.bytes.size(), 0u);
  EXPECT_EQ(refused.endError, ECONNRESET);
}

TEST(HttpReadOpenTest, OnlyTheVerifyingOpenRefusesAnUnknownCertificate) {
  BodyDir dir;
  const std::string body = dir.Write("fw.bin", 4096);
  testsupport::TlsFiles tls;
  ASSERT_TRUE(testsupport::MakeSelfSignedCertificate(dir.dir(), &tls));
  testsupport::HttpRecorder server({.root = dir.dir(), .certFile = tls.certFile, .keyFile = tls.keyFile});
  ASSERT_TRUE(server.ok());
  const std::string url = server.Url("/fw.bin");
  ASSERT_EQ(url.rfind("https://", 0), 0u);

  Stream verified = ReadToEnd(curlClientReadOpen(url.c_str(), 10, nullptr, nullptr, 0, 0, nullptr));
  EXPECT_EQ(verified.bytes.size(), 0u);
  EXPECT_EQ(verified.endError, ECONNRESET);
  EXPECT_TRUE(server.TakeRequests().empty()) << "no request goes out over a refused connection";

  Stream unverified = ReadToEnd(curlClientReadOpenNotVerifyPeer(url.c_str(), 10, nullptr, nullptr, 0, 0, nullptr));
  EXPECT_EQ(unverified.endError, 0);
  EXPECT_TRUE(unverified.bytes == body);
}

TEST(HttpReadOpenTest, ClosingTheDescriptorEarlyStopsTheTransfer) {
  BodyDir dir;
  dir.Write("big.bin", 64 << 20);
  testsupport::HttpRecorder server({.root = dir.dir()});
  ASSERT_TRUE(server.ok());
  hostHttpReadOpenRecord before{};
  hostHttpReadOpenRecordGet(&before);
  int progress = 0;
  const int fd = curlClientReadOpen(server.Url("/big.bin").c_str(), 10, nullptr, nullptr, 0, 0, &progress);
  ASSERT_GE(fd, 0);
  char first[1024];
  ASSERT_GT(read(fd, first, sizeof first), 0);
  close(fd);
  // The transfer gives up: the progress stops well short of the whole body.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const int stopped = std::atomic_ref<int>(progress).load();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(std::atomic_ref<int>(progress).load(), stopped);
  EXPECT_LT(stopped, 100);

  hostHttpReadOpenRecord record{};
  hostHttpReadOpenRecordGet(&record);
  EXPECT_EQ(record.calls, before.calls + 1);
  EXPECT_EQ(record.verifyPeer, 1);
  EXPECT_EQ(record.timeout, 10);
  EXPECT_EQ(record.progress, &progress);
}

}  // namespace
