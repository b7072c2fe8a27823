// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/PngExport.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageWriter>

#include "grid/AtomicFile.h"
#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "loader/LoadResult.h"
#include "loader/ScanGrid.h"
#include "loader/ViewRender.h"
#include "render/MemorySurface.h"
#include "render/Viewport.h"
#include "window/ImageSurface.h"

namespace tolmer {

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

int ExportPng(const ExportRequest& request, std::ostream& errors) {
  if (NameSameFile(request.picture, request.file)) {
    errors << "tolmer: --export " << request.picture << " would overwrite the grid it draws\n";
    return 2;
  }
  std::shared_ptr<const LoadedGrid> scanned;
  try {
    GridReader reader;
    reader.open(request.file);
    TurnTaker quiet;
    LoadTurns turns(quiet);
    scanned = ScanGrid(reader, request.file, turns);
  } catch (const std::exception& error) {
    errors << "tolmer: " << error.what() << '\n';
    return 1;
  }
  const LoadedGrid& grid = *scanned;
  const GridExtent extent = ExtentOf(grid.header);
  if (extent.IsEmpty()) {
    errors << "tolmer: " << request.file << ": the grid has no cells to export\n";
    return 1;
  }
  const GridPicture picture = BoundedGridPicture(extent, request.boundWidth, request.boundHeight);
  // Where a scaled grid leaves a part of an edge pixel, that part is the viewer's
  // background.
  QImage image =
      BlankImage(QSize(picture.width, picture.height), ToQColor(MemorySurface::kDefaultBackground));
  if (image.isNull()) {
    errors << "tolmer: not enough memory for a picture of " << picture.width << "x"
           << picture.height << " pixels; try a smaller --size\n";
    return 1;
  }
  const ViewResult drawn = DrawView(grid, picture.view, HandleOf(image),
                                    PixelRect{0, 0, picture.width, picture.height}, {});
  if (!drawn.IsDone()) {
    errors << "tolmer: " << drawn.reason << '\n';
    return 1;
  }

  try {
    WritePng(image, request.picture);
  } catch (const GridError& error) {
    errors << "tolmer: " << error.what() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace tolmer
