// Main of the test programs that run on the board sandbox: when the program
// is not on the board (the machine cannot make the namespaces, or it was run
// by hand), every test is reported as skipped, with the reason, before any of
// them touches a fixed path of the host.
#include "board/sandbox.h"

#include <gtest/gtest.h>

namespace {

class OnTheBoard : public testing::Environment {
 public:
  void SetUp() override {
    if (!board::InSandbox()) GTEST_SKIP() << "board sandbox unavailable: " << board::UnavailableReason();
  }
};

}  // namespace

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(new OnTheBoard);
  return RUN_ALL_TESTS();
}
