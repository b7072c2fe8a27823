// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/GridInfo.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <sstream>

#include "loader/MemoryHost.h"
#include "loader/ShowGrid.h"
#include "support/GridFiles.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

// Many types, negative and beyond 255 among them, heights that differ by corner.
CellRecord ManyTypes(std::int32_t row, std::int32_t column) {
  const std::int32_t types[] = {0, 0, 0, 1, 7, -3, 300, 1 << 30};
  const auto height = static_cast<float>((row * 37 + column * 11) % 101) - 40.5F;
  return CellRecord{height, height + 1.0F, height - 2.25F, height + 0.5F,
                    (row + column) % 3 == 0 ? types[(row * 5 + column) % 8] : (column % 23) - 4};
}

// --info --json against a count made here, cell by cell, from the same cells; the
// largest grid is read by two threads where there are two processors.
TEST(GridInfoTest, JsonHoldsWhatTheCellsHold) {
  struct Case {
    std::int32_t width, height, trailing;
    testing::CellMaker cells;
  };
  const Case cases[] = {
      {25, 12, 0, testing::Hills},
      {25, 12, 7, testing::Hills},
      {600, 500, 3, ManyTypes},
      {0, 5, 0, testing::Hills},
      {3, 2, 0, [](std::int32_t, std::int32_t) { return testing::UniformCell(150.0F, 4); }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " + " << c.trailing);
    testing::TempDir dir;
    std::vector<unsigned char> bytes = testing::GridBytes(c.width, c.height, c.cells);
    bytes.resize(bytes.size() + static_cast<std::size_t>(c.trailing), 0xAB);
    const std::string grid = testing::WriteFileIn(dir, "g.grid", bytes);
    std::ostringstream out;
    std::ostringstream errors;
    ASSERT_EQ(PrintGridInfo({grid, true}, out, errors), 0) << errors.str();
    const QJsonObject info = QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).object();

    std::map<std::int32_t, qint64> types;
    qint64 cells[2] = {0, 0};
    double low[2] = {INFINITY, INFINITY}, high[2] = {-INFINITY, -INFINITY}, sum[2] = {0, 0};
    for (std::int32_t row = 0; row < c.height; ++row) {
      for (std::int32_t column = 0; column < c.width; ++column) {
        const CellRecord cell = c.cells(row, column);
        const int k = cell.CellType != 0 ? 1 : 0;
        ++types[cell.CellType];
        ++cells[k];
        for (const float h : {cell.Height1, cell.Height2, cell.Height3, cell.Height4}) {
          low[k] = std::min<double>(low[k], h);
          high[k] = std::max<double>(high[k], h);
          sum[k] += h;
        }
      }
    }
    EXPECT_EQ(info["signature"].toString(),
              QByteArray(reinterpret_cast<const char*>(bytes.data()), 6).toHex());
    EXPECT_EQ(info["width"].toInteger(), c.width);
    EXPECT_EQ(info["height"].toInteger(), c.height);
    EXPECT_EQ(info["cells"].toInteger(), cells[0] + cells[1]);
    EXPECT_EQ(info["file_size"].toInteger(), static_cast<qint64>(bytes.size()));
    EXPECT_EQ(info["trailing_bytes"].toInteger(), c.trailing);
    EXPECT_EQ(info["height_range"]["min"].toDouble(), std::min({100.0, low[0], low[1]}));
    EXPECT_EQ(info["height_range"]["max"].toDouble(), std::max({-100.0, high[0], high[1]}));
    const char* classes[] = {"type_0", "other_types"};
    for (int k = 0; k < 2; ++k) {
      const QJsonObject heights = info[classes[k]].toObject();
      EXPECT_EQ(heights["cells"].toInteger(), cells[k]) << classes[k];
      if (cells[k] == 0) {
        EXPECT_TRUE(heights["lowest"].isNull() && heights["mean"].isNull()) << classes[k];
        continue;
      }
      EXPECT_DOUBLE_EQ(heights["share"].toDouble(),
                       static_cast<double>(cells[k]) / static_cast<double>(cells[0] + cells[1]));
      EXPECT_EQ(heights["lowest"].toDouble(), low[k]) << classes[k];
      EXPECT_EQ(heights["highest"].toDouble(), high[k]) << classes[k];
      EXPECT_NEAR(heights["mean"].toDouble(), sum[k] / (4.0 * static_cast<double>(cells[k])), 1e-9)
          << classes[k];
    }
    // The commonest first, ties by type, 16 at most and the rest together.
    std::vector<std::pair<qint64, std::int32_t>> ranked;
    for (const auto& [type, count] : types) {
      ranked.emplace_back(-count, type);
    }
    std::ranges::sort(ranked);
    const QJsonArray listed = info["types"].toArray();
    ASSERT_EQ(listed.size(), std::min<qsizetype>(16, static_cast<qsizetype>(ranked.size())));
    qint64 rest = 0;
    for (std::size_t index = 0; index < ranked.size(); ++index) {
      if (index >= 16) {
        rest += -ranked[index].first;
        continue;
      }
      const QJsonValue entry = listed[static_cast<qsizetype>(index)];
      EXPECT_EQ(entry["type"].toInteger(), ranked[index].second) << index;
      EXPECT_EQ(entry["cells"].toInteger(), -ranked[index].first) << index;
    }
    EXPECT_EQ(info["rest"]["types"].toInteger(),
              std::max<qint64>(0, static_cast<qint64>(ranked.size()) - 16));
    EXPECT_EQ(info["rest"]["cells"].toInteger(), rest);
  }
}

// A grid that cannot be loaded cannot be described, for the same reason, and
// nothing is printed.
TEST(GridInfoTest, AGridThatFailsToLoadFailsWithTheLoadsReason) {
  testing::TempDir dir;
  std::vector<unsigned char> nan = testing::GridBytes(600, 500, testing::Hills);
  StoreF32LE(nan.data() + kHeaderSize + 290'000 * kCellRecordSize + 8,
             std::numeric_limits<float>::quiet_NaN());
  std::vector<unsigned char> truncated = testing::GridBytes(30, 20, testing::Hills);
  truncated.resize(truncated.size() - 1);
  for (const std::string& grid : {testing::WriteFileIn(dir, "nan.grid", nan),
                                  testing::WriteFileIn(dir, "short.grid", truncated),
                                  dir.Path("missing.grid"), dir.Path("")}) {
    MemoryHost host;
    const LoadResult load = ShowGrid(grid, host);
    ASSERT_TRUE(load.IsFailed()) << grid;
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(PrintGridInfo({grid, false}, out, errors), 1);
    EXPECT_EQ(errors.str(), "tolmer: " + load.Reason() + "\n");
    EXPECT_EQ(out.str(), "");
  }
}

}  // namespace
}  // namespace tolmer
