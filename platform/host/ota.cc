// OTA library stand-in: the image writer copies the payload stream into an
// image file; the after-upgrade step says that Pavo starts and runs the
// command the simulator configured. Every call is recorded for tests.
#include "host/ota.h"
#include "platform/ota.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {

struct OtaState {
  std::mutex mutex;
  std::string imagePath;
  std::string afterCommand;
  bool failWrite = false;
  hostOtaRecord record{};
};

OtaState &State() {
  static OtaState *state = new OtaState;
  return *state;
}

void NoteCall(hostOtaRecord &record, const char *name) {
  if (record.calls[0] != '\0') std::strncat(record.calls, ",", sizeof record.calls - std::strlen(record.calls) - 1);
  std::strncat(record.calls, name, sizeof record.calls - std::strlen(record.calls) - 1);
}

}  // namespace

extern "C" {

void upgradeAfterProcessSet(int mode) {
  OtaState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  NoteCall(s.record, "set");
  ++s.record.setCalls;
  s.record.lastSetMode = mode;
}

int ota_file_upgrade_from_fp(FILE *stream, int mode) {
  OtaState &s = State();
  std::string path;
  bool failWrite;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    NoteCall(s.record, "write");
    ++s.record.writeCalls;
    s.record.lastWriteMode = mode;
    path = s.imagePath;
    failWrite = s.failWrite;
  }
  long long bytes = 0;
  bool ok = stream != nullptr;
  // The stream is read to its end even when the image cannot be written, as
  // the phone's writer consumes the payload whatever becomes of it.
  bool written = true;
  FILE *image = nullptr;
  if (ok && !path.empty()) {
    image = std::fopen(path.c_str(), "wb");
    written = image != nullptr;
  }
  static char buffer[1024 * 1024];  // the writer runs on one thread at a time
  while (ok) {
    size_t n = std::fread(buffer, 1, sizeof buffer, stream);
    if (n > 0 && image != nullptr && written && std::fwrite(buffer, 1, n, image) != n) written = false;
    bytes += static_cast<long long>(n);
    if (n < sizeof buffer) {
      if (std::ferror(stream)) ok = false;
      break;
    }
  }
  if (image != nullptr && std::fclose(image) != 0) written = false;
  int result = ok && written && bytes > 0 && !failWrite ? 0 : -1;
  std::printf("ota_file_upgrade_from_fp : %lld bytes read, %s\n", bytes, result == 0 ? "image written" : "failed");
  std::lock_guard<std::mutex> guard(s.mutex);
  s.record.lastWriteBytes = bytes;
  s.record.lastWriteResult = result;
  return result;
}

int upgradeAfterProcessStart(otaPrintFunc print, otaPrintFunc errorPrint) {
  OtaState &s = State();
  std::string command;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    NoteCall(s.record, "start");
    ++s.record.startCalls;
    s.record.lastStartPrint = print != nullptr;
    s.record.lastStartErrorPrint = errorPrint != nullptr;
    command = s.afterCommand;
  }
  if (print != nullptr) print("upgradeAfterProcessStart : starting the main application Pavo\n");
  std::fflush(stdout);
  if (!command.empty()) {
    int rc = std::system(command.c_str());
    (void)rc;  // the after-upgrade step has no result the caller uses
  }
  return 0;
}

void hostOtaSetImagePath(const char *path) {
  OtaState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.imagePath = path != nullptr ? path : "";
}

void hostOtaSetWriteFailure(int fail) {
  OtaState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.failWrite = fail != 0;
}

void hostOtaSetAfterCommand(const char *command) {
  OtaState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.afterCommand = command != nullptr ? command : "";
}

void hostOtaRecordGet(hostOtaRecord *record) {
  if (record == nullptr) return;
  OtaState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  *record = s.record;
}

void hostOtaReset(void) {
  OtaState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.imagePath.clear();
  s.afterCommand.clear();
  s.failWrite = false;
  s.record = hostOtaRecord{};
}

}  // extern "C"
