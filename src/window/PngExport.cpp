// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/PngExport.h"

#include <png.h>
#include <zlib.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <condition_variable>
#include <csetjmp>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "grid/AtomicFile.h"
#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "loader/GridPictureRows.h"
#include "loader/LoadResult.h"
#include "loader/SampledPicture.h"
#include "loader/ScanGrid.h"
#include "render/Relief.h"
#include "render/Viewport.h"

namespace tolmer {
namespace {

// Chosen by measurement of the export of tolmer-gridgen terrain 7326 x 7326 at 2
// pixels a cell (BENCHMARKS.md). UP, as every second row repeats the one above and
// terrain changes little from row to row, leaves mostly runs of zeros: the smallest
// file and the fastest of NONE, SUB, UP and PAETH at levels 1, 2, 3 and 6 (UP at
// level 1: 2.3 s, 6.9 MB; SUB 2.7 s, 12 MB; PAETH 2.9 s, 7.0 MB; level 6 twice as
// slow). Z_RLE then finds those runs without deflate's hash chains: 2.1-2.3 s and
// 5.2 MB, where levels 2 and 3 only cost time.
constexpr int kPngFilter = PNG_FILTER_UP;
constexpr int kPngLevel = 1;
constexpr int kPngStrategy = Z_RLE;
// Large IDAT chunks: fewer calls into the file and fewer chunk headers.
constexpr std::size_t kPngBufferBytes = std::size_t{1} << 18U;

// A thumbnail reads a grid whole up to this size and samples a larger one, so that
// it takes about a second at most from a disk that reads 256 MB a second.
constexpr std::uint64_t kThumbnailWholeBytes = std::uint64_t{256} << 20U;
constexpr std::uint64_t kThumbnailSampleBytes = std::uint64_t{64} << 20U;

// A PNG of R, G, B rows written one row at a time into `file` by libpng. libpng
// reports an error by a long jump back to the call that met it, so every call into
// it goes through Attempt, which turns the jump into a GridError naming the file.
class PngRowWriter {
 public:
  PngRowWriter(AtomicFile& file, std::int32_t width, std::int32_t height);
  PngRowWriter(const PngRowWriter&) = delete;
  PngRowWriter& operator=(const PngRowWriter&) = delete;
  ~PngRowWriter() = default;

  void WriteRow(const unsigned char* rgb) {
    Attempt([this, rgb] { png_write_row(handles_.png, rgb); });
  }
  // After the last row.
  void Finish() {
    Attempt([this] { png_write_end(handles_.png, nullptr); });
  }

 private:
  struct Handles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Handles() = default;
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;
    ~Handles() { png_destroy_write_struct(&png, &info); }
  };

  // Nothing here may own what needs destroying: a long jump skips destructors.
  template <typename Call>
  void Attempt(Call call) {
    if (setjmp(png_jmpbuf(handles_.png)) == 0) {
      call();
      return;
    }
    if (writeFailure_) {
      std::rethrow_exception(writeFailure_);
    }
    throw GridError("cannot encode " + file_.Path() + ": " + failure_);
  }

  [[noreturn]] static void OnError(png_structp png, png_const_charp message) {
    static_cast<PngRowWriter*>(png_get_error_ptr(png))->failure_ = message;
    png_longjmp(png, 1);
  }
  static void OnWarning(png_structp /*png*/, png_const_charp /*message*/) {}
  static void OnWrite(png_structp png, png_bytep data, png_size_t size) {
    auto* self = static_cast<PngRowWriter*>(png_get_io_ptr(png));
    try {
      self->file_.Write(data, size);
    } catch (...) {
      self->writeFailure_ = std::current_exception();
    }
    // Outside the handler, which the jump would otherwise leave without ending.
    if (self->writeFailure_) {
      png_error(png, "cannot write");
    }
  }
  static void OnFlush(png_structp /*png*/) {}

  AtomicFile& file_;
  Handles handles_;
  std::string failure_;
  std::exception_ptr writeFailure_;
};

PngRowWriter::PngRowWriter(AtomicFile& file, std::int32_t width, std::int32_t height)
    : file_(file) {
  handles_.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
  if (handles_.png != nullptr) {
    handles_.info = png_create_info_struct(handles_.png);
  }
  if (handles_.info == nullptr) {
    throw std::bad_alloc();
  }
  Attempt([this, width, height] {
    png_structp png = handles_.png;
    png_set_write_fn(png, this, OnWrite, OnFlush);
    // Any width or height a PNG may have, not libpng's default limit of a million.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_IHDR(png, handles_.info, static_cast<png_uint_32>(width),
                 static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, kPngFilter);
    png_set_compression_level(png, kPngLevel);
    png_set_compression_strategy(png, kPngStrategy);
    png_set_compression_buffer_size(png, kPngBufferBytes);
    png_write_info(png, handles_.info);
  });
}

// Rows handed from the drawing thread to the encoding one in blocks, a few blocks
// in flight at most, so that both work at once while memory stays a few rows.
class RowPipe {
 public:
  explicit RowPipe(const GridPictureRows& rows)
      : height_(rows.Height()), blocks_(kBlocks * kRowsPerBlock, rows.MakeRow()) {}

  // On the drawing thread: every row, unless Stop() comes first.
  void Fill(GridPictureRows& rows) {
    try {
      for (std::int64_t block = 0; block < BlockCount(); ++block) {
        {
          std::unique_lock lock(mutex_);
          changed_.wait(lock, [&] { return stopped_ || block - taken_ < kBlocks; });
          if (stopped_) {
            return;
          }
        }
        for (std::int64_t row = 0; row < RowsIn(block); ++row) {
          rows.Draw(RowOf(block, row));
        }
        Publish(made_, block + 1);
      }
    } catch (...) {
      const std::lock_guard lock(mutex_);
      failure_ = std::current_exception();
      changed_.notify_all();
    }
  }

  // On the encoding thread: hands the bytes of every row to take(bytes) in order,
  // and throws what the drawing thread met.
  template <typename Take>
  void Drain(const GridPictureRows& rows, Take take) {
    for (std::int64_t block = 0; block < BlockCount(); ++block) {
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return failure_ || made_ > block; });
        if (made_ <= block) {
          std::rethrow_exception(failure_);
        }
      }
      for (std::int64_t row = 0; row < RowsIn(block); ++row) {
        take(rows.Shade(RowOf(block, row)));
      }
      Publish(taken_, block + 1);
    }
  }

  void Stop() { Publish(stopped_, true); }

 private:
  // 16 rows in flight: 8 MiB of sums for a scaled picture 16384 pixels wide.
  static constexpr std::int64_t kBlocks = 4;
  static constexpr std::size_t kRowsPerBlock = 4;

  std::int64_t BlockCount() const {
    return (height_ + static_cast<std::int64_t>(kRowsPerBlock) - 1) /
           static_cast<std::int64_t>(kRowsPerBlock);
  }
  std::int64_t RowsIn(std::int64_t block) const {
    return std::min(static_cast<std::int64_t>(kRowsPerBlock),
                    height_ - block * static_cast<std::int64_t>(kRowsPerBlock));
  }
  GridPictureRows::Row& RowOf(std::int64_t block, std::int64_t row) {
    return blocks_[static_cast<std::size_t>(block % kBlocks) * kRowsPerBlock +
                   static_cast<std::size_t>(row)];
  }

  template <typename Value>
  void Publish(Value& field, Value value) {
    const std::lock_guard lock(mutex_);
    field = value;
    changed_.notify_all();
  }

  std::int64_t height_;
  std::vector<GridPictureRows::Row> blocks_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::int64_t made_ = 0;   // blocks drawn
  std::int64_t taken_ = 0;  // blocks encoded
  bool stopped_ = false;
  std::exception_ptr failure_;
};

// Pass 2: the picture drawn on a thread of its own while this one encodes it.
void WritePicture(const GridReader& reader, const GridHeader& header, const HeightRange& range,
                  const GridPicture& picture, AtomicFile& file, const Relief& relief = {}) {
  GridPictureRows rows(reader, header, range, picture, relief);
  PngRowWriter png(file, rows.Width(), rows.Height());
  RowPipe pipe(rows);
  std::jthread drawing([&] { pipe.Fill(rows); });
  try {
    pipe.Drain(rows, [&](const unsigned char* row) { png.WriteRow(row); });
  } catch (...) {
    pipe.Stop();
    throw;
  }
  drawing.join();
  png.Finish();
}

// Pass 1: the range the whole grid shades with. The picture needs no overview.
HeightRange ScanRange(const GridReader& reader, const std::string& fileName) {
  TurnTaker quiet;
  LoadTurns turns(quiet);
  return ScanGrid(reader, fileName, turns, std::nullopt)->range;
}

// Pass 1 for a picture with relief: the range, and the exaggeration the map starts
// with, from the coarse levels of an overview kept in a little memory.
HeightRange ScanRangeAndRelief(const GridReader& reader, const std::string& fileName,
                               Relief& relief) {
  constexpr std::uint64_t kCoarseLevels = std::uint64_t{1} << 20U;
  TurnTaker quiet;
  LoadTurns turns(quiet);
  const std::shared_ptr<const LoadedGrid> scanned =
      ScanGrid(reader, fileName, turns, OverviewStorage{kCoarseLevels, {}});
  relief = Relief{true, StartingExaggeration(scanned->overview)};
  return scanned->range;
}

}  // namespace

void WritePng(const QImage& image, const std::string& path) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image)) {
    throw GridError("cannot encode " + path + ": " + writer.errorString().toStdString());
  }
  WriteFileAtomically(path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

namespace {

// The picture of `reader`'s whole grid, `bound` x `bound` at most, into `file`: read
// whole while the records are few enough to read in a moment, from a sample else.
void WriteThumbnail(const GridReader& reader, const std::string& fileName, const GridHeader& header,
                    std::int32_t bound, AtomicFile& file) {
  const GridPicture picture = BoundedGridPicture(ExtentOf(header), bound, bound);
  if (CellCount(header) * kCellRecordSize <= kThumbnailWholeBytes) {
    WritePicture(reader, header, ScanRange(reader, fileName), picture, file);
    return;
  }
  SampledPicture sample(reader, header, picture, kThumbnailSampleBytes);
  PngRowWriter png(file, sample.Width(), sample.Height());
  for (std::int32_t y = 0; y < sample.Height(); ++y) {
    png.WriteRow(sample.Row(y));
  }
  png.Finish();
}

}  // namespace

int ExportPng(const ExportRequest& request, std::ostream& errors) {
  if (NameSameFile(request.picture, request.file)) {
    errors << "tolmer: --export " << request.picture << " would overwrite the grid it draws\n";
    return 2;
  }
  GridPicture picture;
  try {
    GridReader reader;
    reader.open(request.file);
    Relief relief;
    const HeightRange range = request.relief ? ScanRangeAndRelief(reader, request.file, relief)
                                             : ScanRange(reader, request.file);
    const GridHeader header = reader.readHeader();
    if (ExtentOf(header).IsEmpty()) {
      errors << "tolmer: " << request.file << ": the grid has no cells to export\n";
      return 1;
    }
    picture = BoundedGridPicture(ExtentOf(header), request.boundWidth, request.boundHeight);
    AtomicFile file(request.picture);
    WritePicture(reader, header, range, picture, file, relief);
    // The picture is of one version of the file, or not written.
    reader.requireUnchanged();
    file.Commit();
  } catch (const std::bad_alloc&) {
    errors << "tolmer: not enough memory for a picture of " << picture.width << "x"
           << picture.height << " pixels; try a smaller --size\n";
    return 1;
  } catch (const std::exception& error) {
    errors << "tolmer: " << error.what() << '\n';
    return 1;
  }
  return 0;
}

int ThumbnailPng(const ThumbnailRequest& request, std::ostream& errors) {
  if (NameSameFile(request.picture, request.file)) {
    errors << "tolmer: --thumbnail " << request.picture << " would overwrite the grid it draws\n";
    return 2;
  }
  try {
    GridReader reader;
    reader.open(request.file);
    const GridHeader header = reader.readHeader();
    if (ExtentOf(header).IsEmpty()) {
      errors << "tolmer: " << request.file << ": the grid has no cells to draw\n";
      return 1;
    }
    AtomicFile file(request.picture);
    WriteThumbnail(reader, request.file, header, request.size, file);
    reader.requireUnchanged();
    file.Commit();
  } catch (const std::exception& error) {
    errors << "tolmer: " << error.what() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace tolmer
