// The post-boot upgrade's download road, on the board sandbox:
//
//   BM_BootUpgradeRoad     a firmware packet through mtPostAutoProcess(0):
//                          configuration, network start, HTTP download over
//                          loopback, packet checks, the OTA stand-in writing
//                          the image to a file; each run a fresh process, as
//                          on the phone. Counters: the process's peak
//                          resident memory (peak_rss) and how much of it the
//                          road added to what the process started with
//                          (road_rss).
//   BM_DownloadStage       the road's download-and-write stage alone.
//   BM_RoadFixedSteps      the road's steps besides the transfer, each timed.
//   BM_CurlToFile          the baseline: curl downloading the same URL from
//                          the same server to a file.
//
// Goals: the road's throughput at least 0.9 of curl's for 256 MB; the peak
// resident memory for 256 MB no more than 1 MB above that for 16 MB.
//
//   sim/board-sandbox --fixture sim/fixtures/phone --fixture build/release/sim/fixtures/font
//     --preload 'build/release/sim/preload/$LIB/libboarddevices.so'
//     -- build/release/bench/postupgrade_bench
// (one command line).
#include "flowRunner_test.h"
#include "http_recorder.h"
#include "packetBuilder.h"

#include "baseLcd.h"
#include "baseUpgrade.h"
#include "board/sandbox.h"
#include "host/nm.h"
#include "host/ota.h"
#include "mtPostInternal.h"
#include "mtPostProcess.h"
#include "platform/http.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kDir[] = "/tmp/bench";
constexpr char kImage[] = "/tmp/bench/image.bin";
constexpr char kCurlOut[] = "/tmp/bench/curl.bin";
constexpr char kConfig[] = "/mnt/userdata/default_user_config.txt";

// The packets and their server, made once.
class Packets {
 public:
  Packets() {
    std::filesystem::create_directories(std::string(kDir) + "/www");
    testsupport::HttpRecorderOptions options;
    options.root = std::string(kDir) + "/www";
    server_ = std::make_unique<testsupport::HttpRecorder>(options);
  }
  // The URL of a packet with a payload of megabytes MB.
  std::string Url(int megabytes) {
    const std::string name = std::to_string(megabytes) + "mb.bin";
    const std::string path = std::string(kDir) + "/www/" + name;
    if (!std::filesystem::exists(path)) {
      std::FILE *file = std::fopen(path.c_str(), "wb");
      const std::string prefix = fwpacket::Prefix(fwpacket::Fields{});
      std::fwrite(prefix.data(), 1, prefix.size(), file);
      std::string chunk(1 << 20, '\0');
      for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 131 + i / 4096);
      for (int i = 0; i < megabytes; ++i) std::fwrite(chunk.data(), 1, chunk.size(), file);
      std::fclose(file);
    }
    return server_->Url("/" + name);
  }
  bool ok() const { return server_->ok(); }

 private:
  std::unique_ptr<testsupport::HttpRecorder> server_;
};

Packets &Served() {
  static Packets *packets = new Packets;
  return *packets;
}

long long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_BootUpgradeRoad(benchmark::State &state) {
  const int megabytes = static_cast<int>(state.range(0));
  const std::string url = Served().Url(megabytes);
  board::WriteFile(kConfig, "Firmware Url       :" + url + "\r\nZel Verify Peer Enable:0\r\n");
  double peakRss = 0, startRss = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    posttest::FlowRun run = posttest::RunFlow([] {
      hostOtaSetImagePath(kImage);
      const long long before = PeakRssKb();
      const int result = mtPostAutoProcess(0);
      std::printf("# peak %lld before %lld\n", PeakRssKb(), before);
      return result;
    });
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    long long peak = 0, before = 0;
    for (const std::string &line : run.Lines()) std::sscanf(line.c_str(), "# peak %lld before %lld", &peak, &before);
    if (run.result != DOWNLODA_SUCCESS || peak == 0) {
      state.SkipWithError(("the road failed: " + run.out).c_str());
      break;
    }
    peakRss = static_cast<double>(peak) * 1024;
    startRss = static_cast<double>(before) * 1024;
  }
  state.SetBytesProcessed(state.iterations() * (static_cast<int64_t>(megabytes) << 20));
  state.counters["peak_rss"] = benchmark::Counter(peakRss, benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
  // The child starts with the pages of the benchmark process it was forked
  // from; what the road itself adds is the growth.
  state.counters["road_rss"] =
      benchmark::Counter(peakRss - startRss, benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
}
BENCHMARK(BM_BootUpgradeRoad)->Arg(16)->Arg(256)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The download-and-write stage of the road alone: from the HTTP service's
// start to the image written (no configuration, no network start).
void BM_DownloadStage(benchmark::State &state) {
  const int megabytes = static_cast<int>(state.range(0));
  const std::string url = Served().Url(megabytes);
  board::WriteFile(kConfig, "Zel Verify Peer Enable:0\r\n");
  for (auto _ : state) {
    double seconds = 0;
    posttest::FlowRun run = posttest::RunFlow([&url] {
      hostOtaSetImagePath(kImage);
      const auto start = Clock::now();
      curlSerivceInit();
      const int result = postupgrade::mtPostDownloadStart(url.c_str(), nullptr, nullptr, 0);
      std::printf("# stage %.6f\n", std::chrono::duration<double>(Clock::now() - start).count());
      return result;
    });
    for (const std::string &line : run.Lines()) std::sscanf(line.c_str(), "# stage %lf", &seconds);
    if (run.result != 0 || seconds == 0) {
      state.SkipWithError(("the download failed: " + run.out).c_str());
      break;
    }
    state.SetIterationTime(seconds);
  }
  state.SetBytesProcessed(state.iterations() * (static_cast<int64_t>(megabytes) << 20));
}
BENCHMARK(BM_DownloadStage)->Arg(256)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The fixed steps of the road, each timed once in a fresh process: what the
// road spends besides the transfer.
void BM_RoadFixedSteps(benchmark::State &state) {
  board::WriteFile(kConfig, "Zel Verify Peer Enable:0\r\n");
  for (auto _ : state) {
    posttest::FlowRun run = posttest::RunFlow([] {
      auto step = [](const char *name, auto &&call) {
        const auto start = Clock::now();
        call();
        std::printf("# %s %.6f\n", name, std::chrono::duration<double>(Clock::now() - start).count());
      };
      step("network_start", [] { postupgrade::mtPostNmStart(); });
      step("cgi_check", [] { mtPostProcessCheckBeforeDownload(); });
      step("verify_flag", [] { zelVerifyPeerGet(); });
      step("logo_check", [] { systemProcessCheck("logo"); });
      step("screens_start", [] {
        baseUiInit();
        baseUpgradeFlagSet(BASE_UPGRADE_RUNNING);
        baseUpdateStartProcess();
      });
      return 0;
    });
    double total = 0;
    for (const std::string &line : run.Lines()) {
      char name[32];
      double seconds = 0;
      if (std::sscanf(line.c_str(), "# %31s %lf", name, &seconds) == 2) {
        state.counters[std::string(name) + "_ms"] = seconds * 1000;
        total += seconds;
      }
    }
    state.SetIterationTime(total);
  }
}
BENCHMARK(BM_RoadFixedSteps)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CurlToFile(benchmark::State &state) {
  const int megabytes = static_cast<int>(state.range(0));
  const std::string url = Served().Url(megabytes);
  for (auto _ : state) {
    const char *argv[] = {"curl", "-s", "-f", "--noproxy", "*", "-o", kCurlOut, url.c_str(), nullptr};
    const auto start = Clock::now();
    pid_t pid = -1;
    int status = -1;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, const_cast<char **>(argv), environ) == 0) waitpid(pid, &status, 0);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (status != 0) {
      state.SkipWithError("curl failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * (static_cast<int64_t>(megabytes) << 20));
}
BENCHMARK(BM_CurlToFile)->Arg(16)->Arg(256)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char **argv) {
  if (!board::InSandbox()) {
    std::fprintf(stderr, "postupgrade_bench runs on the board sandbox (see the head of %s)\n", __FILE__);
    return 2;
  }
  benchmark::Initialize(&argc, argv);
  if (!Served().ok()) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(kDir);
  return 0;
}
