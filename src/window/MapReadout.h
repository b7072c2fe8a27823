// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointF>
#include <QWidget>
#include <memory>
#include <optional>
#include <stop_token>

#include "loader/LoadResult.h"
#include "loader/DrawView.h"
#include "render/Viewport.h"
#include "window/WorkerThread.h"

namespace tolmer {

class MapLegend;

// Where the map shows a grid: the grid, the view that places it, the map area, and
// which grid shown it is, so that what was read of an earlier one is dropped.
struct MapPlace {
  std::shared_ptr<const LoadedGrid> grid;
  Viewport view;
  PixelRect area;
  quint64 generation = 0;
};

// The value under the pointer: the cell painted at a point of the map, read from the
// file on a thread of its own, shown beside the point as a tooltip, as the map's
// accessible description and as the legend's mark. It follows the point as the view
// changes, until it is forgotten.
class MapReadout : public QObject {
  Q_OBJECT

 public:
  MapReadout(QWidget& map, MapLegend& legend);

  // Names the cell painted at `position` of the map, from now on.
  void Follow(QPointF position);
  // The map shows its grid elsewhere now: names the cell at the point followed.
  void Moved(const MapPlace& place);
  // Hides the readout, and follows no point any more.
  void Forget();

 private:
  struct Request {
    std::shared_ptr<const LoadedGrid> grid;
    PictureCell cell;
    quint64 generation = 0;
  };

  void Read(Request& request);
  void Show(const CellReading& reading, quint64 generation);
  void Hide();
  std::optional<PictureCell> CellUnder(QPointF position) const;

  QWidget& map_;
  MapLegend& legend_;
  MapPlace place_;
  std::optional<QPointF> at_;
  Outbox outbox_;
  // Last, so that it is stopped and joined before anything it uses goes.
  WorkerThread<Request> reads_;
};

}  // namespace tolmer
