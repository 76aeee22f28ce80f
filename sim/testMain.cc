// Main of the test programs that run on the board sandbox. Off the board (the
// machine cannot make the namespaces, or the program was run by hand) no test
// runs, so that none touches a fixed path of the host, and the run says so
// with a skip line (which CTest reports as a skip) and the reason. Listing
// the tests works anywhere.
#include "board/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  if (!board::InSandbox() && !GTEST_FLAG_GET(list_tests)) {
    // (A skip in a global test environment would count every test as passed.)
    std::printf("[  SKIPPED ] %s: board sandbox unavailable: %s\n", GTEST_FLAG_GET(filter).c_str(),
                board::UnavailableReason().c_str());
    return 0;
  }
  return RUN_ALL_TESTS();
}
