// Read-back of the log stand-in's lines: level, module tag and text.
//
//   testsupport::ClearLog();
//   ncDestroyElement(nullptr);
//   EXPECT_TRUE(testsupport::Logged(HOST_LOG_ERROR, "tarvo.nc.element", "ncDestroyElement: Invalid parameter!"));
#ifndef TESTS_SUPPORT_LOG_LINES_H
#define TESTS_SUPPORT_LOG_LINES_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/log.h"

namespace testsupport {

inline void ClearLog() { hostLogClear(); }

inline std::vector<hostLogLine> LogLines() {
  std::vector<hostLogLine> lines;
  for (int i = 0, n = hostLogCount(); i < n; ++i) {
    hostLogLine line{};
    if (hostLogGet(i, &line) == 0) lines.push_back(line);
  }
  return lines;
}

inline const char *LogLevelName(int level) {
  static const char *const kNames[] = {"error", "warning", "information", "debug"};
  return level >= 0 && level <= 3 ? kNames[level] : "?";
}

// Success when a line kept since the last ClearLog has exactly this level,
// tag and text; the failure lists the lines there are.
inline testing::AssertionResult Logged(int level, const std::string &tag, const std::string &text) {
  std::vector<hostLogLine> lines = LogLines();
  for (const hostLogLine &line : lines) {
    if (line.level == level && tag == line.tag && text == line.text) return testing::AssertionSuccess();
  }
  testing::AssertionResult failure = testing::AssertionFailure();
  failure << "no " << LogLevelName(level) << " line [" << tag << "] \"" << text << "\" among " << lines.size()
          << " lines:";
  for (const hostLogLine &line : lines)
    failure << "\n  " << LogLevelName(line.level) << " [" << line.tag << "] \"" << line.text << "\"";
  return failure;
}

// Success when no line of this level or more severe was kept since the last
// ClearLog.
inline testing::AssertionResult NothingLoggedAtOrAbove(int level) {
  for (const hostLogLine &line : LogLines()) {
    if (line.level <= level)
      return testing::AssertionFailure() << LogLevelName(line.level) << " line [" << line.tag << "] \"" << line.text
                                         << "\"";
  }
  return testing::AssertionSuccess();
}

}  // namespace testsupport

#endif  // TESTS_SUPPORT_LOG_LINES_H
