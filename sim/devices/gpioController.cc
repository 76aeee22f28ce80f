#include "gpioController.h"

#include <sys/ioctl.h>

#include <cstring>

namespace board {
namespace {

// The controller's requests and their argument records, as the phone's GPIO
// driver defines them. They are written here from the driver's interface and
// not taken from the library's code, so that a wrong code on either side
// shows in the tests.
struct RequestArgument {
  int32_t line;
  char label[32];
};
struct ValueArgument {
  int32_t line;
  int32_t value;
};
static_assert(sizeof(RequestArgument) == 36 && sizeof(ValueArgument) == 8);

constexpr unsigned long kRequest = 0x40245A80;
constexpr unsigned long kFree = 0x5A81;
constexpr unsigned long kInput = 0x5A82;
constexpr unsigned long kOutput = 0x40085A83;
constexpr unsigned long kGetValue = 0xC0085A85;
constexpr unsigned long kSetValue = 0x40085A86;
static_assert(kRequest == _IOW('Z', 0x80, RequestArgument));
static_assert(kFree == _IO('Z', 0x81) && kInput == _IO('Z', 0x82));
static_assert(kOutput == _IOW('Z', 0x83, ValueArgument));
static_assert(kGetValue == _IOWR('Z', 0x85, ValueArgument));
static_assert(kSetValue == _IOW('Z', 0x86, ValueArgument));

}  // namespace

Outcome GpioController::Ioctl(unsigned long request, void *argument) {
  // free and input take the line number itself as the argument.
  const long byValue = static_cast<long>(reinterpret_cast<intptr_t>(argument));
  switch (request) {
    case kRequest: return RequestLine(argument);
    case kFree: return FreeLine(byValue);
    case kInput: return MakeInput(byValue);
    case kOutput: return MakeOutput(argument);
    case kGetValue: return GetValue(argument);
    case kSetValue: return SetValue(argument);
    default: return Device::Ioctl(request, argument);
  }
}

int GpioController::Level(int line) const {
  if (line < 0 || line >= kLines) return 0;
  const Line &state = lines_[line];
  return state.output ? state.level : 0;
}

GpioController::Line *GpioController::Requested(long line, Outcome *refusal) {
  if (line < 0 || line >= kLines) {
    *refusal = Refused(EINVAL);
    return nullptr;
  }
  if (!lines_[line].requested) {
    *refusal = Refused(EPERM);
    return nullptr;
  }
  return &lines_[line];
}

Outcome GpioController::RequestLine(const void *argument) {
  RequestArgument request;
  std::memcpy(&request, argument, sizeof request);
  const size_t length = strnlen(request.label, sizeof request.label);
  const std::string label(request.label, length);
  Record record(Name(), "request");
  record.Number("line", request.line).Text("label", label);
  // A label without its terminating zero inside the record.
  if (length == sizeof request.label) record.Number("unterminated", 1);

  Outcome outcome = FaultOr("request");
  if (outcome.ok()) {
    if (request.line < 0 || request.line >= kLines) {
      outcome = Refused(EINVAL);
    } else if (lines_[request.line].requested) {
      outcome = Refused(EBUSY);
    } else {
      lines_[request.line].requested = true;
      lines_[request.line].label = label;
    }
  }
  record.Result(outcome).Write();
  return outcome;
}

Outcome GpioController::FreeLine(long line) {
  Outcome outcome = FaultOr("free");
  if (outcome.ok()) {
    if (line < 0 || line >= kLines || !lines_[line].requested) {
      outcome = Refused(EINVAL);
    } else {
      // The pin keeps its direction and level; only the claim goes.
      lines_[line].requested = false;
      lines_[line].label.clear();
    }
  }
  Record(Name(), "free").Number("line", line).Result(outcome).Write();
  return outcome;
}

Outcome GpioController::MakeInput(long line) {
  Outcome outcome = FaultOr("input");
  if (outcome.ok()) {
    if (Line *state = Requested(line, &outcome)) state->output = false;
  }
  Record(Name(), "input").Number("line", line).Result(outcome).Write();
  return outcome;
}

Outcome GpioController::MakeOutput(const void *argument) {
  ValueArgument request;
  std::memcpy(&request, argument, sizeof request);
  Outcome outcome = FaultOr("output");
  if (outcome.ok()) {
    if (Line *state = Requested(request.line, &outcome)) {
      state->output = true;
      state->level = request.value != 0;
    }
  }
  Record(Name(), "output").Number("line", request.line).Number("value", request.value).Result(outcome).Write();
  return outcome;
}

Outcome GpioController::GetValue(void *argument) {
  ValueArgument request;
  std::memcpy(&request, argument, sizeof request);
  Outcome outcome = FaultOr("get");
  Record record(Name(), "get");
  record.Number("line", request.line);
  if (outcome.ok()) {
    if (Requested(request.line, &outcome) != nullptr) {
      request.value = Level(request.line);
      std::memcpy(argument, &request, sizeof request);
      record.Number("value", request.value);
    }
  }
  record.Result(outcome).Write();
  return outcome;
}

Outcome GpioController::SetValue(const void *argument) {
  ValueArgument request;
  std::memcpy(&request, argument, sizeof request);
  Outcome outcome = FaultOr("set");
  if (outcome.ok()) {
    if (Line *state = Requested(request.line, &outcome)) {
      if (!state->output) {
        outcome = Refused(EPERM);  // an input line drives nothing
      } else {
        state->level = request.value != 0;
      }
    }
  }
  Record(Name(), "set").Number("line", request.line).Number("value", request.value).Result(outcome).Write();
  return outcome;
}

}  // namespace board
