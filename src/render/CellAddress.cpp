// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/CellAddress.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "grid/GridFormat.h"

namespace tolmer {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t';
}

// The words of `text`, split at spaces and at one comma between two words.
std::optional<std::vector<std::string_view>> Words(std::string_view text) {
  std::vector<std::string_view> words;
  bool comma = false;  // since the last word
  std::size_t at = 0;
  while (at < text.size()) {
    if (IsSpace(text[at])) {
      ++at;
    } else if (text[at] == ',') {
      if (comma || words.empty()) {
        return std::nullopt;
      }
      comma = true;
      ++at;
    } else {
      const std::size_t start = at;
      while (at < text.size() && !IsSpace(text[at]) && text[at] != ',') {
        ++at;
      }
      words.push_back(text.substr(start, at - start));
      comma = false;
    }
  }
  if (comma) {
    return std::nullopt;
  }
  return words;
}

// A count from 0 of what `word` names; at most the largest std::uint64_t, which no
// grid reaches, when it has more digits than that holds.
struct Count {
  std::uint64_t value = 0;
  std::string reason;
};

Count CountOf(std::string_view word) {
  if (word.size() > 1 && word.front() == '-' &&
      word.find_first_not_of("0123456789", 1) == std::string_view::npos) {
    return {0, "Columns, rows and records count from 0."};
  }
  const std::string_view digits = word.front() == '+' ? word.substr(1) : word;
  Count count;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), count.value);
  if (digits.empty() || end != digits.data() + digits.size()) {
    count.reason = "\"" + std::string(word) + "\" is not a whole number.";
  } else if (error == std::errc::result_out_of_range) {
    count.value = UINT64_MAX;
  }
  return count;
}

std::string PastTheLast(const char* what, std::string_view word, std::uint64_t count) {
  return std::string(what) + " " + std::string(word) + " is past the last, " +
         std::to_string(count - 1) + ".";
}

}  // namespace

CellAddress ParseCellAddress(std::string_view text, const GridExtent& grid) {
  const auto words = Words(text);
  if (!words || words->empty() || words->size() > 2) {
    return {std::nullopt, "Type a column and a row, as 120, 45, or a record number."};
  }
  std::vector<Count> counts;
  for (const std::string_view word : *words) {
    counts.push_back(CountOf(word));
    if (!counts.back().reason.empty()) {
      return {std::nullopt, counts.back().reason};
    }
  }
  if (grid.IsEmpty()) {
    return {std::nullopt, "The grid has no cells."};
  }
  const auto width = static_cast<std::uint64_t>(grid.width);
  const auto height = static_cast<std::uint64_t>(grid.height);
  std::uint64_t column = 0;
  std::uint64_t storedRow = 0;
  if (counts.size() == 1) {
    // Both sides are below 2^31, so the product does not overflow.
    if (counts[0].value >= width * height) {
      return {std::nullopt, PastTheLast("Record", (*words)[0], width * height)};
    }
    column = counts[0].value % width;
    storedRow = counts[0].value / width;
  } else {
    column = counts[0].value;
    storedRow = counts[1].value;
    if (column >= width) {
      return {std::nullopt, PastTheLast("Column", (*words)[0], width)};
    }
    if (storedRow >= height) {
      return {std::nullopt, PastTheLast("Row", (*words)[1], height)};
    }
  }
  return {PictureCell{static_cast<std::int64_t>(column),
                      FlipRow(static_cast<std::int64_t>(storedRow), grid.height)},
          {}};
}

}  // namespace tolmer
