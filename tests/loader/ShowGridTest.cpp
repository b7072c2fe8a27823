// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// Whatever a file or a name holds, a load ends in "Error" or a consistent picture,
// closes the file, keeps the earlier picture when it fails before clearing, and
// leaves the host ready for the next load.
#include "loader/ShowGrid.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <tuple>

#include "grid/GridFormat.h"
#include "render/CellColor.h"
#include "support/GridFiles.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

using testing::GridBytes;
using testing::Hills;
using testing::OpenDescriptorCount;
using testing::RecordingHost;
using testing::UniformCell;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();

std::vector<unsigned char> Header(std::int32_t width, std::int32_t height) {
  return GridBytes(width, height, Hills, 0);
}

Colour Expected(const HeightRange& range, float height, std::int32_t type) {
  Colour colour = 0;
  CellColor(range, height, type, colour);
  return colour;
}

class ShowGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    earlierPath = Write(GridBytes(4, 4, Hills), "earlier.grid");
    ShowGrid(earlierPath, host);
    ASSERT_EQ(host.LastStatus(), "Loaded, 4x4");
    earlierPicture = host.Picture().Bytes();
    descriptors = OpenDescriptorCount();
  }

  std::string Write(const std::vector<unsigned char>& bytes, const std::string& name = "in.grid") {
    return testing::WriteFileIn(dir, name, bytes);
  }

  std::string Grid(std::int32_t width, std::int32_t height, const testing::CellMaker& make = Hills,
                   const std::string& name = "g.grid") {
    return Write(GridBytes(width, height, make), name);
  }

  // Loads `name`, checking the first status, that a failure says why, and that no
  // descriptor stays open.
  void Load(const std::string& name) {
    const std::size_t before = host.Statuses().size();
    const LoadResult result = ShowGrid(name, host);
    lastResult = result;
    ASSERT_EQ(host.Statuses().size(), before + 2);
    EXPECT_EQ(host.Statuses()[before], "Loading " + name);
    EXPECT_EQ(result.IsFailed(), result.Reason() != "");
    EXPECT_EQ(OpenDescriptorCount(), descriptors) << "a descriptor was left open";
  }

  // Reloading the earlier file gives back the earlier picture exactly, so nothing
  // of the failed load lingers in the host.
  void ExpectNextLoadWorks() {
    Load(earlierPath);
    EXPECT_EQ(host.LastStatus(), "Loaded, 4x4");
    EXPECT_TRUE(host.Picture().Bytes() == earlierPicture) << "the next load paints differently";
  }

  // Loading `name` fails, for a reason that says `why`, without touching the
  // picture, and the next load works.
  void ExpectErrorKeepingPicture(const std::string& name, const std::string& why = "") {
    SCOPED_TRACE(name.size() < 300 ? name : name.substr(0, 300) + "...");
    const auto picture = host.Picture().Bytes();
    const int clears = host.Clears();
    Load(name);
    EXPECT_EQ(host.LastStatus(), "Error");
    EXPECT_THAT(lastResult.Reason(), ::testing::HasSubstr(why));
    EXPECT_EQ(host.Clears(), clears) << "the surface was cleared before the failure";
    EXPECT_TRUE(host.Picture().Bytes() == picture) << "the earlier picture changed";
    ExpectNextLoadWorks();
  }

  void ExpectLoaded(const std::string& name, const std::string& status) {
    SCOPED_TRACE(name);
    Load(name);
    EXPECT_EQ(host.LastStatus(), status);
  }

  Colour At(std::int32_t x, std::int32_t y) const { return host.Picture().PixelAt(x, y); }

  // Checks the four pixels of the block of the cell stored at (row, column) of a
  // grid `gridHeight` rows high, made by Hills.
  void ExpectHillsBlock(std::int32_t gridHeight, std::int32_t row, std::int32_t column) {
    const CellRecord cell = Hills(row, column);
    const auto left = static_cast<std::int32_t>(host.Placement().CellLeft(column));
    const auto top = static_cast<std::int32_t>(host.Placement().CellTop(gridHeight - 1 - row));
    const HeightRange& range = host.Range();
    EXPECT_EQ(At(left, top), Expected(range, cell.Height3, cell.CellType));
    EXPECT_EQ(At(left + 1, top), Expected(range, cell.Height4, cell.CellType));
    EXPECT_EQ(At(left, top + 1), Expected(range, cell.Height1, cell.CellType));
    EXPECT_EQ(At(left + 1, top + 1), Expected(range, cell.Height2, cell.CellType));
  }

  // The four pixels of cell (column, top row) of a one-row grid, in the order
  // Height1 (lower left), Height2, Height3 (upper left), Height4.
  std::array<Colour, 4> CornerColours(std::int32_t column) const {
    const MapPlacement at = host.Placement();
    const auto left = static_cast<std::int32_t>(at.CellLeft(column));
    const auto top = static_cast<std::int32_t>(at.CellTop(0));
    const std::int32_t half = at.CornerSize();
    return {At(left, top + half), At(left + half, top + half), At(left, top), At(left + half, top)};
  }

  testing::TempDir dir;
  RecordingHost host;
  std::string earlierPath;
  std::vector<unsigned char> earlierPicture;
  int descriptors = 0;
  LoadResult lastResult;
};

// --- Statuses and the picture ---

TEST_F(ShowGridTest, ReportsLoadingThenTheSize) {
  const std::string path = Grid(3, 2);
  host.TakeStatuses();
  const int clears = host.Clears();
  EXPECT_EQ(ShowGrid(path, host), LoadResult::Loaded(3, 2));
  EXPECT_EQ(host.Statuses(), (std::vector<std::string>{"Loading " + path, "Loaded, 3x2"}));
  EXPECT_EQ(host.Clears(), clears + 1);
}

TEST_F(ShowGridTest, PaintsFirstStoredRowAtTheBottom) {
  ExpectLoaded(Grid(3, 2), "Loaded, 3x2");
  for (std::int32_t row = 0; row < 2; ++row) {
    for (std::int32_t column = 0; column < 3; ++column) {
      ExpectHillsBlock(2, row, column);
    }
  }
  // Everything outside the 6 x 4 pixel rectangle from (5, 25) is background.
  std::int64_t painted = 0;
  for (std::int32_t y = 0; y < testing::kWindowHeight; ++y) {
    for (std::int32_t x = 0; x < testing::kWindowWidth; ++x) {
      painted += At(x, y) != host.Picture().Background() ? 1 : 0;
    }
  }
  EXPECT_EQ(painted, 6 * 4);
}

TEST_F(ShowGridTest, RangeIncludesTheSeeds) {
  ShowGrid(Grid(2, 2, [](auto, auto) { return UniformCell(150.0F, 0); }), host);
  EXPECT_EQ(host.Range().MinHeight, 100.0F);
  EXPECT_EQ(host.Range().MaxHeight, 150.0F);
  EXPECT_EQ(At(5, 25), 0x00FF00U);

  ShowGrid(Grid(2, 2, [](auto, auto) { return UniformCell(-150.0F, 4); }), host);
  EXPECT_EQ(host.Range().MinHeight, -150.0F);
  EXPECT_EQ(host.Range().MaxHeight, -100.0F);
  EXPECT_EQ(At(5, 25), MakeColour(195, 195, 255));

  ShowGrid(Grid(1, 1, [](auto, auto) { return CellRecord{-400.0F, 250.0F, 0.0F, 5.0F, 0}; }), host);
  EXPECT_EQ(host.Range().MinHeight, -400.0F);
  EXPECT_EQ(host.Range().MaxHeight, 250.0F);
}

TEST_F(ShowGridTest, EqualHeightsPaintPureColours) {
  ShowGrid(Grid(2, 1, [](auto, std::int32_t column) { return UniformCell(5.0F, column); }), host);
  // Both seeds give way to 5, so the span is zero and every pixel gets shade 0.
  EXPECT_EQ(host.Range().MinHeight, 5.0F);
  EXPECT_EQ(host.Range().MaxHeight, 5.0F);
  EXPECT_EQ(At(5, 25), 0x00FF00U);
  EXPECT_EQ(At(7, 25), 0xFF0000U);
}

TEST_F(ShowGridTest, OneCellIsOneBlockAtTheMapOrigin) {
  ExpectLoaded(Grid(1, 1,
                    [](auto, auto) {
                      return CellRecord{0.0F, 10.0F, 5.0F, 0.0F, 0};
                    }),
               "Loaded, 1x1");
  EXPECT_EQ(At(5, 25), 0x61FF61U);  // Height3 = 5 of [0, 10]
  EXPECT_EQ(At(6, 26), 0x00FF00U);  // Height2 = 10
  EXPECT_EQ(At(7, 25), host.Picture().Background());
  EXPECT_EQ(At(5, 27), host.Picture().Background());
}

TEST_F(ShowGridTest, GridsWithoutCellsClearAndLoadAtOnceHoweverLongTheirOtherSide) {
  const int clears = host.Clears();
  ExpectLoaded(Write(Header(0, 0)), "Loaded, 0x0");
  EXPECT_EQ(host.Clears(), clears + 1);
  EXPECT_EQ(At(5, 25), host.Picture().Background());
  // Counting down the rows of an empty grid one by one took about ten seconds.
  const auto start = std::chrono::steady_clock::now();
  ExpectLoaded(Write(GridBytes(0, 5, Hills)), "Loaded, 0x5");
  ExpectLoaded(Write(Header(0, kInt32Max)), "Loaded, 0x2147483647");
  ExpectLoaded(Write(Header(kInt32Max, 0)), "Loaded, 2147483647x0");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(At(5, 25), host.Picture().Background());
  ExpectNextLoadWorks();
}

TEST_F(ShowGridTest, LargeGridIsClippedToTheSurface) {
  constexpr std::int32_t kWidth = 400;
  constexpr std::int32_t kHeight = 300;
  ExpectLoaded(Grid(kWidth, kHeight), "Loaded, 400x300");
  // 306 columns and the last 239 stored rows are visible.
  ExpectHillsBlock(kHeight, kHeight - 1, 0);      // top-left
  ExpectHillsBlock(kHeight, kHeight - 1, 305);    // top-right
  ExpectHillsBlock(kHeight, kHeight - 239, 305);  // bottom-right, ends at (616, 502)
  ExpectHillsBlock(kHeight, kHeight - 239, 0);
  ExpectHillsBlock(kHeight, 150, 100);

  // One pixel wider, the left half of column 306 shows too.
  RecordingHost wider(MemorySurface::kDefaultBackground, kViewerWidth + 1);
  ASSERT_TRUE(ShowGrid(Grid(kWidth, kHeight), wider).IsLoaded());
  const CellRecord cell = Hills(kHeight - 1, 306);
  EXPECT_EQ(wider.Picture().PixelAt(617, 25), Expected(wider.Range(), cell.Height3, cell.CellType));
}

TEST_F(ShowGridTest, SecondLoadReplacesTheFirst) {
  const auto water = [](auto, auto) { return UniformCell(1.0F, 1); };
  const auto land = [](auto, auto) { return UniformCell(1.0F, 0); };
  ShowGrid(Grid(5, 5, water, "blue.grid"), host);
  ShowGrid(Grid(1, 1, land, "green.grid"), host);
  EXPECT_EQ(At(5, 25), 0x00FF00U);
  EXPECT_EQ(At(7, 25), host.Picture().Background());
}

TEST_F(ShowGridTest, TrailingBytesAreIgnored) {
  auto bytes = GridBytes(2, 2, Hills);
  bytes.insert(bytes.end(), 37, 0xAB);
  ExpectLoaded(Write(bytes), "Loaded, 2x2");
}

// --- The header ---

TEST_F(ShowGridTest, AnySixSignatureBytesAreReadTheSameWay) {
  const std::vector<unsigned char> plain = GridBytes(3, 2, Hills);
  ExpectLoaded(Write(plain, "plain.grid"), "Loaded, 3x2");
  const auto picture = host.Picture().Bytes();
  const std::vector<std::vector<unsigned char>> signatures = {{0, 0, 0, 0, 0, 0},
                                                              {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                                                              {0x7F, 'E', 'L', 'F', 2, 1},
                                                              {'P', '6', '\n', '6', '1', '7'},
                                                              {'\r', '\n', 0x1A, '\n', 0, 0x80}};
  for (const auto& signature : signatures) {
    std::vector<unsigned char> bytes = plain;
    std::copy(signature.begin(), signature.end(), bytes.begin());
    ExpectLoaded(Write(bytes), "Loaded, 3x2");
    EXPECT_TRUE(host.Picture().Bytes() == picture);
  }
}

TEST_F(ShowGridTest, FilesShorterThanAHeaderFailBeforeTheClear) {
  const std::vector<unsigned char> header = Header(0, 0);
  ExpectErrorKeepingPicture(Write({}), "ends at byte 0");
  for (std::size_t length = 1; length < kHeaderSize; ++length) {
    ExpectErrorKeepingPicture(
        Write({header.begin(), header.begin() + static_cast<std::ptrdiff_t>(length)}),
        "ends at byte " + std::to_string(length) + ", inside the header");
  }
}

TEST_F(ShowGridTest, NegativeSizesFailBeforeTheClear) {
  for (const auto& [width, height] : {std::pair{-3, 2},
                                      {2, -1},
                                      {-1, -1},
                                      {kInt32Min, 1},
                                      {1, kInt32Min},
                                      {kInt32Min, kInt32Min},
                                      {-1, kInt32Max}}) {
    const std::string why =
        "negative grid size, " + std::to_string(width) + "x" + std::to_string(height);
    ExpectErrorKeepingPicture(Write(Header(width, height)), why);
    // Records follow, so only the sign can be the reason to fail.
    std::vector<unsigned char> bytes = GridBytes(4, 4, Hills);
    const auto header = Header(width, height);
    std::copy(header.begin(), header.end(), bytes.begin());
    ExpectErrorKeepingPicture(Write(bytes, "with-records.grid"), why);
  }
}

TEST_F(ShowGridTest, SizesTheFileCannotHoldFailBeforeTheClear) {
  ExpectErrorKeepingPicture(Write(GridBytes(3, 3, Hills, 2)),
                            "3x3 grid of 9 records, but its 134 bytes hold only 6");
  auto oneByteShort = GridBytes(3, 3, Hills);
  oneByteShort.pop_back();
  ExpectErrorKeepingPicture(Write(oneByteShort), "only 8");
  ExpectErrorKeepingPicture(Write(Header(kInt32Max, kInt32Max)), "only 0");
  ExpectErrorKeepingPicture(Write(Header(kInt32Max, 1)), "only 0");
  ExpectErrorKeepingPicture(Write(Header(1, kInt32Max)), "only 0");
  // 65536 x 65536 is 0 in 32 bits; 268435457 x 16 is 16, and 16 records follow.
  ExpectErrorKeepingPicture(Write(Header(65536, 65536)), "only 0");
  auto wrapped = GridBytes(4, 4, Hills);
  const auto header = Header(268435457, 16);
  std::copy(header.begin(), header.end(), wrapped.begin());
  ExpectErrorKeepingPicture(Write(wrapped), "only 16");
}

// --- Heights and cell types ---

TEST_F(ShowGridTest, NonFiniteHeightsFailBeforeTheClearNamingTheirCorner) {
  const std::uint32_t patterns[] = {
      0x7FC00000U,  // quiet NaN
      0xFFC00000U,  // negative quiet NaN
      0x7FC12345U,  // quiet NaN with a payload
      0x7F800001U,  // signalling NaN, smallest payload
      0x7FBFFFFFU,  // signalling NaN, largest payload
      0xFF800001U,  // negative signalling NaN
      0x7F800000U,  // +inf
      0xFF800000U,  // -inf
  };
  constexpr std::int32_t kWidth = 3;
  constexpr std::int32_t kHeight = 3;
  for (const std::uint32_t pattern : patterns) {
    // Every corner, in the first, a middle and the last record.
    for (const auto& [row, column, corner] :
         {std::tuple{0, 0, 0}, {0, 1, 1}, {1, 1, 2}, {2, 1, 3}, {2, 2, 3}}) {
      auto bytes = GridBytes(kWidth, kHeight, Hills);
      const int record = row * kWidth + column;
      const std::size_t offset = kHeaderSize + static_cast<std::size_t>(record * 20 + corner * 4);
      StoreU32LE(bytes.data() + offset, pattern);
      SCOPED_TRACE(::testing::Message() << std::hex << pattern);
      const bool isNan = std::isnan(std::bit_cast<float>(pattern));
      ExpectErrorKeepingPicture(Write(bytes), "height " + std::to_string(corner + 1) +
                                                  " of record " + std::to_string(record) +
                                                  " (row " + std::to_string(row) + ", column " +
                                                  std::to_string(column) + ") is " +
                                                  (isNan ? "not a number" : "infinite"));
    }
  }
}

TEST_F(ShowGridTest, LargestAndSmallestFiniteHeightsLoadWithExactColours) {
  // The range is [-FLT_MAX, FLT_MAX]. A denormal lands exactly on the middle
  // (FLT_MAX + 1e-45 rounds to FLT_MAX), so its shade is floor(97.5) = 97.
  const float denormal = std::numeric_limits<float>::denorm_min();
  ExpectLoaded(Write(GridBytes(1, 1,
                               [&](auto, auto) {
                                 return CellRecord{FLT_MAX, -FLT_MAX, denormal, -denormal, 0};
                               })),
               "Loaded, 1x1");
  EXPECT_EQ(CornerColours(0), (std::array<Colour, 4>{0x00FF00U, 0xC3FFC3U, 0x61FF61U, 0x61FF61U}));

  // The range is [-2^-149, 2^-126] and every fraction is exact: 0 lies 1/(2^23 + 1)
  // of the span above the bottom, so f x 195 is just below 195 and rounds down to 194.
  ExpectLoaded(Write(GridBytes(1, 1,
                               [&](auto, auto) {
                                 return CellRecord{0.0F, -denormal, denormal, FLT_MIN, 7};
                               })),
               "Loaded, 1x1");
  EXPECT_EQ(CornerColours(0),
            (std::array<Colour, 4>{MakeColour(194, 194, 255), MakeColour(195, 195, 255),
                                   MakeColour(194, 194, 255), 0xFF0000U}));
  ExpectNextLoadWorks();
}

TEST_F(ShowGridTest, EveryNonZeroCellTypeIsPaintedInTheBlueRamp) {
  // With the seeds the range is [-100, 100]: -100 gives shade 195, 100 gives 0,
  // 0 gives floor(97.5) = 97 and 50 gives floor(48.75) = 48.
  const std::int32_t types[] = {kInt32Min, -1, 7, kInt32Max, 0};
  ExpectLoaded(Write(GridBytes(5, 1,
                               [&](auto, std::int32_t column) {
                                 return CellRecord{-100.0F, 100.0F, 0.0F, 50.0F, types[column]};
                               })),
               "Loaded, 5x1");
  for (std::int32_t column = 0; column < 4; ++column) {
    EXPECT_EQ(CornerColours(column),
              (std::array<Colour, 4>{MakeColour(195, 195, 255), MakeColour(0, 0, 255),
                                     MakeColour(97, 97, 255), MakeColour(48, 48, 255)}))
        << "type " << types[column];
  }
  EXPECT_EQ(CornerColours(4),
            (std::array<Colour, 4>{MakeColour(195, 255, 195), 0x00FF00U, MakeColour(97, 255, 97),
                                   MakeColour(48, 255, 48)}));
}

// --- Names ---

TEST_F(ShowGridTest, NamesOfThingsThatAreNotRegularFilesFail) {
  const std::string socket = dir.Path("socket");
  {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socket.c_str(), socket.size() + 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
  }
  namespace fs = std::filesystem;
  fs::create_symlink("loop-b", dir.Path("loop-a"));
  fs::create_symlink("loop-a", dir.Path("loop-b"));
  fs::create_symlink("self", dir.Path("self"));
  fs::create_symlink(dir.Root(), dir.Path("to-directory"));
  fs::create_symlink("/dev/zero", dir.Path("to-zero"));
  fs::create_symlink(dir.Path("nowhere"), dir.Path("dangling"));
  const std::string fifo = dir.Path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Wildcards name nothing, however many files they would match.
  for (const std::string& name :
       {std::string(), dir.Path("missing.grid"), std::string("Filename"), dir.Root().string(),
        dir.Path("*.grid"), dir.Path("?.grid"), earlierPath + std::string(1, '\0') + "x", fifo,
        socket, std::string("/dev/null"), std::string("/dev/zero"), dir.Path("dangling"),
        dir.Path("loop-a"), dir.Path("self"), dir.Path("to-directory"), dir.Path("to-zero"),
        earlierPath + "/inside-a-file",
        // A regular file that says it is empty and then holds text.
        std::string("/proc/self/status")}) {
    ExpectErrorKeepingPicture(name);
  }
}

TEST_F(ShowGridTest, NamesLongerThanTheSystemAllowsFail) {
  Write(GridBytes(1, 1, Hills), std::string(NAME_MAX, 'n'));
  ExpectLoaded(dir.Path(std::string(NAME_MAX, 'n')), "Loaded, 1x1");

  ExpectErrorKeepingPicture(dir.Path(std::string(NAME_MAX + 1, 'n')));
  std::string deep = dir.Root().string();
  while (deep.size() <= PATH_MAX) {
    deep += "/.";
  }
  ExpectErrorKeepingPicture(deep + "/earlier.grid");
  ExpectErrorKeepingPicture(std::string(std::size_t{1} << 20U, 'x'));
}

TEST_F(ShowGridTest, OddButValidNamesLoad) {
  for (const std::string name :
       {"new\nline.grid", "tab\there.grid", "[a-z]*?.grid", "\xFF\xFE not UTF-8.grid", "  .grid  ",
        " spaced name .grid", "H\xC3\xB6henkarte \xC3\xBC.grid", "-dash.grid"}) {
    ExpectLoaded(Write(GridBytes(2, 1, Hills), name), "Loaded, 2x1");
  }
  ExpectLoaded(dir.Root().string() + "//./earlier.grid", "Loaded, 4x4");

  std::filesystem::create_symlink("earlier.grid", dir.Path("link-1"));
  std::filesystem::create_symlink("link-1", dir.Path("link-2"));
  ExpectLoaded(dir.Path("link-2"), "Loaded, 4x4");

  // A file without a name of its own, opened again through /proc.
  const int memory = ::memfd_create("grid", MFD_CLOEXEC);
  ASSERT_GE(memory, 0);
  const auto bytes = GridBytes(3, 1, Hills);
  ASSERT_EQ(::write(memory, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  descriptors = OpenDescriptorCount();
  ExpectLoaded("/proc/self/fd/" + std::to_string(memory), "Loaded, 3x1");
  ::close(memory);
}

// Run in a child that has given up root: what the user cannot read ends in "Error".
TEST_F(ShowGridTest, FilesTheUserCannotReadFail) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root, to switch to an unprivileged user";
  }
  std::filesystem::permissions(dir.Root(), std::filesystem::perms(0755));
  const std::string secret = Write(GridBytes(2, 2, Hills), "secret.grid");
  ::chmod(secret.c_str(), 0600);
  std::filesystem::create_directory(dir.Path("closed"));
  const std::string hidden = Write(GridBytes(2, 2, Hills), "closed/hidden.grid");
  ::chmod(dir.Path("closed").c_str(), 0700);

  int channel[2];
  ASSERT_EQ(::pipe(channel), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(channel[0]);
    std::string report;
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
      report = "cannot drop privileges";
    } else {
      const int before = OpenDescriptorCount();
      for (const std::string& name : {secret, hidden, earlierPath}) {
        ShowGrid(name, host);
        report += host.LastStatus() + (OpenDescriptorCount() == before ? ";" : " leaked;");
        report += std::to_string(host.Clears()) + "\n";
      }
    }
    [[maybe_unused]] const auto written = ::write(channel[1], report.data(), report.size());
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string report;
  char buffer[256];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
    report.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(channel[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // Neither failure cleared the surface; the readable file then loaded.
  EXPECT_EQ(report, "Error;1\nError;1\nLoaded, 4x4;2\n");
}

// --- Files that change while they are read ---

class ChangingFileTest : public ShowGridTest {
 protected:
  // 65536 cells give the host a turn at the last cell of each pass.
  static constexpr std::int32_t kSide = 256;

  struct Change {
    const char* what;
    std::function<void(const std::string& path)> apply;
    // The open file reads as before, and loads whole; any other change ends in "Error".
    bool contentKept = false;
  };

  static void Overwrite(const std::string& path, std::size_t offset,
                        const std::vector<unsigned char>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
              static_cast<ssize_t>(bytes.size()));
    ::close(fd);
  }

  static void Rewrite(const std::string& path, float height) {
    testing::WriteGrid(path, kSide, kSide, [=](auto, auto) { return UniformCell(height); });
  }

  static std::vector<Change> Changes() {
    namespace fs = std::filesystem;
    return {
        {"emptied", [](auto& path) { fs::resize_file(path, 0); }},
        {"cut to the header", [](auto& path) { fs::resize_file(path, kHeaderSize); }},
        {"cut in half", [](auto& path) { fs::resize_file(path, kHeaderSize + 20 * 32768); }},
        {"grown", [](auto& path) { fs::resize_file(path, fs::file_size(path) + 3'000'000); }},
        {"header claims more rows", [](auto& path) { Overwrite(path, 0, Header(kSide, 999)); }},
        {"header claims fewer rows", [](auto& path) { Overwrite(path, 0, Header(kSide, 3)); }},
        {"header says 0x0", [](auto& path) { Overwrite(path, 0, Header(0, 0)); }},
        {"header turned negative", [](auto& path) { Overwrite(path, 0, Header(-5, kSide)); }},
        {"rewritten one column wider",
         [](auto& path) { testing::WriteGrid(path, kSide + 1, kSide, Hills); }},
        {"heights turned to NaN",
         [](auto& path) { Rewrite(path, std::numeric_limits<float>::quiet_NaN()); }},
        {"heights far below the range", [](auto& path) { Rewrite(path, -1e6F); }},
        {"heights beyond shading", [](auto& path) { Rewrite(path, -1e30F); }},
        {"heights changed inside the range", [](auto& path) { Rewrite(path, 20.0F); }},
        {"one height changed in place",
         [](auto& path) {
           std::vector<unsigned char> height(4);
           StoreF32LE(height.data(), 30.5F);
           Overwrite(path, kHeaderSize + 20 * 65000, height);
         }},
        {"replaced by another file",
         [](auto& path) {
           testing::WriteGrid(path + ".new", 2, 2, Hills);
           fs::rename(path + ".new", path);
         },
         true},
        {"deleted", [](auto& path) { fs::remove(path); }, true},
        {"made unreadable", [](auto& path) { ::chmod(path.c_str(), 0); }, true},
    };
  }

  // A changed file ends in "Error", with the earlier picture if the load failed
  // before clearing, and otherwise only ramp colours or background inside the
  // grid's rectangle and background outside it. A change during pass 1 is seen
  // before the clear, so it always keeps the earlier picture.
  void ExpectErrorWithConsistentPicture(int clearsBefore, bool duringPass1) {
    EXPECT_EQ(host.LastStatus(), "Error");
    EXPECT_EQ(lastResult.Reason(), "the file changed while it was being read");
    if (duringPass1) {
      EXPECT_EQ(host.Clears(), clearsBefore);
    }
    if (host.Clears() == clearsBefore) {
      EXPECT_TRUE(host.Picture().Bytes() == earlierPicture);
      return;
    }
    ASSERT_EQ(host.Clears(), clearsBefore + 1);
    std::int64_t odd = 0;
    for (std::int32_t y = 0; y < testing::kWindowHeight; ++y) {
      for (std::int32_t x = 0; x < testing::kWindowWidth; ++x) {
        const MapPlacement& at = host.Placement();
        const bool inMap =
            x >= at.Left() && x < at.CellLeft(kSide) && y >= at.Top() && y < at.CellTop(kSide);
        const Colour colour = At(x, y);
        const bool background = colour == host.Picture().Background();
        odd += (inMap ? IsRampColour(colour) || background : background) ? 0 : 1;
      }
    }
    EXPECT_EQ(odd, 0) << "pixels that no load paints, or paints elsewhere";
  }

  void RunChanges(const std::function<void(const std::function<void()>&)>& arm,
                  bool duringPass1 = false) {
    const std::string path = dir.Path("changing.grid");
    testing::WriteGrid(path, kSide, kSide, Hills);
    ExpectLoaded(path, "Loaded, 256x256");
    const auto whole = host.Picture().Bytes();
    ExpectNextLoadWorks();
    for (const Change& change : Changes()) {
      SCOPED_TRACE(change.what);
      std::filesystem::remove(path);
      testing::WriteGrid(path, kSide, kSide, Hills);
      bool done = false;
      arm([&] {
        if (!done) {
          done = true;
          change.apply(path);
          if (!change.contentKept) {
            testing::MarkModified(path);
          }
        }
      });
      const int clears = host.Clears();
      Load(path);
      arm(nullptr);
      EXPECT_TRUE(done) << "the change was never made";
      if (change.contentKept) {
        EXPECT_EQ(host.LastStatus(), "Loaded, 256x256") << lastResult.Reason();
        EXPECT_TRUE(host.Picture().Bytes() == whole) << "not the picture of the file as opened";
      } else {
        ExpectErrorWithConsistentPicture(clears, duringPass1);
      }
      EXPECT_EQ(OpenDescriptorCount(), descriptors);
      ExpectNextLoadWorks();
    }
  }
};

TEST_F(ChangingFileTest, ChangedDuringTheFirstPass) {
  RunChanges([&](const std::function<void()>& hook) { host.onTurn = hook; }, true);
}

TEST_F(ChangingFileTest, ChangedBetweenThePasses) {
  RunChanges([&](const std::function<void()>& hook) { host.onClear = hook; });
}

TEST_F(ChangingFileTest, ChangedDuringTheSecondPass) {
  RunChanges([&](const std::function<void()>& hook) {
    // The turn before the last cell of pass 2 is the first one after the clear.
    host.onTurn = nullptr;
    host.onClear = nullptr;
    if (hook) {
      host.onClear = [&, hook] { host.onTurn = hook; };
    }
  });
}

// --- Turns ---

TEST_F(ShowGridTest, LongLoadsGiveTheHostATurnAndCanBeAbandoned) {
  const std::string path = Grid(1000, 300);  // 300,000 cells in each pass
  EXPECT_EQ(ShowGrid(path, host), LoadResult::Loaded(1000, 300));
  EXPECT_EQ(host.LastStatus(), "Loaded, 1000x300");
  EXPECT_EQ(host.Turns(), 9);
  // Before the 589824th of 600,000 cells.
  EXPECT_EQ(host.LastProgress().cellsDone, 589823U);
  EXPECT_EQ(host.LastProgress().cellsTotal, 600000U);

  for (const int stopAt : {1, 5}) {
    RecordingHost stopping;
    stopping.stopAtTurn = stopAt;
    EXPECT_EQ(ShowGrid(path, stopping), LoadResult::Abandoned());
    EXPECT_EQ(stopping.Statuses(), std::vector<std::string>{"Loading " + path});
    EXPECT_EQ(stopping.Turns(), stopAt);
    EXPECT_EQ(testing::OpenDescriptorCount(), descriptors);
  }
}

}  // namespace
}  // namespace tolmer
