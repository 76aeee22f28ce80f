#include "host/http.h"
#include "http_recorder.h"
#include "platform/http.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

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

}  // namespace
