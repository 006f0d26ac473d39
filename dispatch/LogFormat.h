// Formatted log messages of the dispatcher fit a buffer of 260 wide
// characters, terminator included; a longer text (a very long session name)
// is cut to fit.
#pragma once

#include <string>

inline std::wstring FitLogMessage(std::wstring message) {
  constexpr size_t kLogMessageCapacity = 260;
  if (message.size() >= kLogMessageCapacity) message.resize(kLogMessageCapacity - 1);
  return message;
}
