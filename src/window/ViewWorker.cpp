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

void ViewWorker::DrawNow(const ViewRequest& request, std::stop_token stop) {
  QImage image = BlankImage(request.size, request.background);
  Throttle progress;
  const ViewControl control{std::move(stop), [&](double fraction) {
                              if (progress.Due()) {
                                outbox_.Post([this, fraction, serial = request.serial] {
                                  emit progressChanged(fraction, serial);
                                });
                              }
                            }};
  const ViewResult result = DrawView(*request.grid, request.view, HandleOf(image), control);
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
