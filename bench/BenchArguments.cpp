// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "BenchArguments.h"

#include <algorithm>
#include <charconv>
#include <cmath>
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

// A positive number, or a fraction of two: "0.25", "1/16".
double ParseScale(std::string_view text) {
  const auto number = [](std::string_view part) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    return error == std::errc() && end == part.data() + part.size() && value > 0.0 ? value : 0.0;
  };
  const std::size_t slash = text.find('/');
  const double scale = slash == std::string_view::npos
                           ? number(text)
                           : number(text.substr(0, slash)) / number(text.substr(slash + 1));
  if (!(scale > 0.0) || !std::isfinite(scale)) {
    throw UsageError("--view scale= needs a positive number, not '" + std::string(text) + "'");
  }
  return scale;
}

BenchViewChoice ParseOneView(std::string_view text) {
  if (text == "fit") {
    return {BenchView::Fit};
  }
  if (text == "far") {
    return {BenchView::Far};
  }
  if (text.starts_with("scale=")) {
    return {BenchView::Scale, ParseScale(text.substr(6))};
  }
  throw UsageError("--view needs fit, far or scale=S, not '" + std::string(text) + "'");
}

void ParseView(std::string_view text, BenchArguments& arguments) {
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    arguments.views.push_back(ParseOneView(text.substr(start, comma - start)));
    start = comma + 1;
  }
}

void ParseWindow(std::string_view text, BenchArguments& arguments) {
  const std::size_t times = text.find('x');
  const auto side = [](std::string_view part, std::int32_t least) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    return error == std::errc() && end == part.data() + part.size() && value >= least ? value : 0;
  };
  arguments.width = times == std::string_view::npos ? 0 : side(text.substr(0, times), 1);
  arguments.height = times == std::string_view::npos ? 0 : side(text.substr(times + 1), 26);
  if (arguments.width == 0 || arguments.height == 0) {
    throw UsageError("--window needs WxH of at least 1x26, not '" + std::string(text) + "'");
  }
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
    } else if (isOption && (argument == "--runs" || argument == "--view" || argument == "--dump" ||
                            argument == "--window")) {
      if (index + 1 >= argc) {
        throw UsageError(std::string(argument) + " needs a value");
      }
      const std::string_view value = argv[++index];
      if (argument == "--runs") {
        arguments.runs = ParseRuns(value);
      } else if (argument == "--view") {
        ParseView(value, arguments);
      } else if (argument == "--window") {
        ParseWindow(value, arguments);
      } else {
        arguments.dumpPath = std::string(value);
      }
    } else if (isOption && argument == "--accuracy") {
      arguments.accuracy = true;
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
