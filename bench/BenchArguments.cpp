// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "BenchArguments.h"

#include <charconv>
#include <string_view>

namespace tolmer::bench {
namespace {

int ParseRuns(std::string_view text) {
  int runs = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), runs);
  if (error != std::errc() || end != text.data() + text.size() || runs < 1) {
    throw UsageError("--runs needs a positive whole number, not '" + std::string(text) + "'");
  }
  return runs;
}

BenchView ParseView(std::string_view text) {
  if (text == "fit") {
    return BenchView::Fit;
  }
  if (text == "far") {
    return BenchView::Far;
  }
  throw UsageError("--view needs fit or far, not '" + std::string(text) + "'");
}

}  // namespace

BenchArguments ParseBenchArguments(int argc, const char* const* argv) {
  BenchArguments arguments;
  bool haveFile = false;
  bool optionsEnded = false;
  for (int index = 1; index < argc; ++index) {
    const std::string_view argument = argv[index];
    const bool isOption = !optionsEnded && argument.size() > 1 && argument.front() == '-';
    if (isOption && argument == "--") {
      optionsEnded = true;
    } else if (isOption && (argument == "--runs" || argument == "--view" || argument == "--dump")) {
      if (index + 1 >= argc) {
        throw UsageError(std::string(argument) + " needs a value");
      }
      const std::string_view value = argv[++index];
      if (argument == "--runs") {
        arguments.runs = ParseRuns(value);
      } else if (argument == "--view") {
        arguments.view = ParseView(value);
      } else {
        arguments.dumpPath = std::string(value);
      }
    } else if (isOption) {
      throw UsageError("unknown option " + std::string(argument));
    } else if (haveFile) {
      throw UsageError("only one FILE can be loaded");
    } else {
      arguments.file = std::string(argument);
      haveFile = true;
    }
  }
  if (!haveFile) {
    throw UsageError("no FILE given");
  }
  return arguments;
}

}  // namespace tolmer::bench
