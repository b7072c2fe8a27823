// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/ViewWorker.h"

#include <QFile>
#include <utility>

#include "window/ImageSurface.h"

namespace tolmer {

ViewWorker::ViewWorker()
    : views_(this, [this](ViewRequest& request, std::stop_token stop) {
        DrawNow(request, std::move(stop));
      }) {}

bool ViewWorker::DrawBackdrop(const ViewRequest& request, const std::stop_token& stop) {
  const GridPicture picture =
      BoundedGridPicture(ExtentOf(request.grid->header), kBackdropSide, kBackdropSide);
  QImage image = BlankImage(QSize(picture.width, picture.height), request.background);
  const ViewResult result = DrawView(*request.grid, picture.view, HandleOf(image),
                                     PixelRect{0, 0, picture.width, picture.height}, {stop, {}});
  if (result.outcome == ViewResult::Outcome::Abandoned) {
    return false;
  }
  // A stale file has no backdrop; its view says why.
  if (result.IsDone()) {
    outbox_.Post([this, image = std::move(image), view = picture.view, serial = request.serial] {
      emit backdropDrawn(image, view, serial);
    });
  }
  return true;
}

void ViewWorker::DrawNow(const ViewRequest& request, std::stop_token stop) {
  if (backdropOf_.lock() != request.grid) {
    if (!DrawBackdrop(request, stop)) {
      return;
    }
    backdropOf_ = request.grid;
  }
  if (request.backdropOnly) {
    return;
  }
  QImage image = BlankImage(request.size, request.background);
  Throttle progress;
  const ViewControl control{std::move(stop), [&](double fraction) {
                              if (progress.Due()) {
                                outbox_.Post([this, fraction, serial = request.serial] {
                                  emit progressChanged(fraction, serial);
                                });
                              }
                            }};
  const ViewResult result =
      DrawView(*request.grid, request.view, HandleOf(image), control, request.relief);
  if (result.IsDone()) {
    outbox_.Post([this, image = std::move(image), view = request.view, serial = request.serial] {
      emit viewDrawn(image, view, serial);
    });
  } else if (result.IsStale()) {
    outbox_.Post([this, reason = QFile::decodeName(QByteArray::fromStdString(result.reason)),
                  serial = request.serial] { emit viewStale(reason, serial); });
  }
}

}  // namespace tolmer
