// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/GridInfo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "grid/GridReader.h"
#include "loader/DrawView.h"
#include "loader/GridStatistics.h"
#include "loader/ScanGrid.h"
#include "loader/ScanStatistics.h"

namespace tolmer {
namespace {

// The types listed one by one; the rest are counted together.
constexpr std::size_t kListedTypes = 16;

std::string SignatureHex(const GridHeader& header) {
  std::string hex;
  for (const unsigned char byte : header.Signature) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", byte);
    hex += pair;
  }
  return hex;
}

// The shortest text that reads back as the same float, as the file holds it.
std::string HeightText(float height) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, height);
  return std::string(text, result.ptr);
}

// The same as a JSON number: the double nearest that text, so that 0.1 stays 0.1.
QJsonValue HeightJson(float height) {
  const std::string text = HeightText(height);
  double value = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

QJsonValue Count(std::uint64_t count) {
  return static_cast<qint64>(count);
}

std::string ClassText(const GridInfo& info, const char* name,
                      const GridStatistics::ClassHeights& heights) {
  std::string text = std::string(name) + ": " + std::to_string(heights.cells);
  if (heights.cells == 0) {
    return text + "\n";
  }
  char share[64];
  std::snprintf(share, sizeof share, " (%.2f %%), mean height %.7g",
                100.0 * info.Share(heights.cells), heights.Mean());
  return text + share + ", from " + HeightText(heights.lowest) + " to " +
         HeightText(heights.highest) + "\n";
}

QJsonObject ClassJson(const GridInfo& info, const GridStatistics::ClassHeights& heights) {
  const bool any = heights.cells > 0;
  return QJsonObject{{"cells", Count(heights.cells)},
                     {"share", any ? QJsonValue(info.Share(heights.cells)) : QJsonValue()},
                     {"lowest", any ? HeightJson(heights.lowest) : QJsonValue()},
                     {"highest", any ? HeightJson(heights.highest) : QJsonValue()},
                     {"mean", any ? QJsonValue(heights.Mean()) : QJsonValue()}};
}

// The commonest types, and the cells of all the others together.
struct TypeList {
  std::vector<GridStatistics::TypeCells> listed;
  std::uint64_t restTypes = 0;
  std::uint64_t restCells = 0;
};

TypeList ListTypes(const GridStatistics& statistics) {
  TypeList list;
  list.listed = statistics.Types();
  for (std::size_t index = kListedTypes; index < list.listed.size(); ++index) {
    ++list.restTypes;
    list.restCells += list.listed[index].cells;
  }
  list.listed.resize(std::min(list.listed.size(), kListedTypes));
  return list;
}

}  // namespace

std::string GridInfoText(const GridInfo& info) {
  const HeightRange range = info.statistics.Range();
  std::string text = "signature: " + SignatureHex(info.header) + "\n" +
                     "width: " + std::to_string(info.header.GridWidth) + "\n" +
                     "height: " + std::to_string(info.header.GridHeight) + "\n" +
                     "cells: " + std::to_string(CellCount(info.header)) + "\n" +
                     "file size: " + std::to_string(info.fileSize) + " bytes\n" +
                     "bytes after the last record: " + std::to_string(info.TrailingBytes()) + "\n" +
                     "height range: " + HeightText(range.MinHeight) + " to " +
                     HeightText(range.MaxHeight) + "\n" +
                     ClassText(info, "type 0 cells", info.statistics.TypeZero()) +
                     ClassText(info, "other cells", info.statistics.OtherTypes());
  const TypeList types = ListTypes(info.statistics);
  for (const GridStatistics::TypeCells& type : types.listed) {
    text += "type " + std::to_string(type.type) + ": " + std::to_string(type.cells) + " cells\n";
  }
  if (types.restTypes > 0) {
    text += "other " + std::to_string(types.restTypes) +
            " types: " + std::to_string(types.restCells) + " cells\n";
  }
  return text;
}

namespace {

std::string Json(const GridInfo& info) {
  const HeightRange range = info.statistics.Range();
  const TypeList types = ListTypes(info.statistics);
  QJsonArray listed;
  for (const GridStatistics::TypeCells& type : types.listed) {
    listed.append(QJsonObject{{"type", type.type}, {"cells", Count(type.cells)}});
  }
  const QJsonObject object{
      {"signature", QString::fromStdString(SignatureHex(info.header))},
      {"width", info.header.GridWidth},
      {"height", info.header.GridHeight},
      {"cells", Count(CellCount(info.header))},
      {"file_size", Count(info.fileSize)},
      {"trailing_bytes", Count(info.TrailingBytes())},
      {"height_range",
       QJsonObject{{"min", HeightJson(range.MinHeight)}, {"max", HeightJson(range.MaxHeight)}}},
      {"type_0", ClassJson(info, info.statistics.TypeZero())},
      {"other_types", ClassJson(info, info.statistics.OtherTypes())},
      {"types", listed},
      {"rest", QJsonObject{{"types", Count(types.restTypes)}, {"cells", Count(types.restCells)}}}};
  return QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace

std::optional<GridInfo> GatherGridInfo(const LoadedGrid& grid, const std::stop_token& stop,
                                       const std::function<void(double)>& progress) {
  GridReader reader;
  OpenLoaded(reader, grid);
  GridInfo info;
  info.header = grid.header;
  info.fileSize = grid.stamp.size;
  std::optional<GridStatistics> statistics =
      ScanStatistics(reader, grid.header, ScanThreads(CellCount(grid.header)), stop, progress);
  if (!statistics) {
    return std::nullopt;
  }
  info.statistics = std::move(*statistics);
  return info;
}

int PrintGridInfo(const InfoRequest& request, std::ostream& out, std::ostream& errors) {
  GridInfo info;
  try {
    GridReader reader;
    reader.open(request.file);
    info.header = reader.readHeader();
    info.fileSize = reader.stamp().size;
    info.statistics = ScanStatistics(reader, info.header, ScanThreads(CellCount(info.header)));
  } catch (const std::exception& error) {
    errors << "tolmer: " << error.what() << '\n';
    return 1;
  }
  out << (request.json ? Json(info) : GridInfoText(info));
  return 0;
}

}  // namespace tolmer
