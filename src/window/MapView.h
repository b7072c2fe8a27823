// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

#include "loader/LoadResult.h"
#include "render/Viewport.h"
#include "window/ImageSurface.h"
#include "window/MapReadout.h"
#include "window/ViewWorker.h"

class QLabel;

namespace tolmer {

class GoToBar;
class MapLegend;
class Minimap;

// The map area: a widget over Form1's whole client area that shows the latest
// picture, whenever the window system asks, so the map survives covering,
// minimising and resizing. After each load it shows the load's own picture; the
// user may then fit, zoom and pan the grid, and hovering shows the cell under the
// pointer. Other views are drawn by a worker; until one is ready, the picture on
// hand is shown moved or scaled to where the view wants it.
class MapView : public QWidget {
  Q_OBJECT

 public:
  explicit MapView(QWidget* parent);

  // A load's picture, at its clear, while it paints and at its end: the map is back
  // at the default view.
  void ShowPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  // The grid whose picture is shown, once its load has ended; navigation needs one.
  // With `keepView`, the view goes back to the one remembered last, moved where
  // needed so that part of the grid is in it.
  void SetGrid(std::shared_ptr<const LoadedGrid> grid, bool keepView);
  // At a load's clear: the picture no longer shows the grid that was loaded.
  void ForgetGrid();
  const Viewport& View() const { return view_; }
  // Remembers the view shown, for a grid that comes back with keepView.
  void RememberView() { keptView_ = view_; }
  // The window's own actions, listed in the map's menu after the map's.
  void AddMenuActions(const QList<QAction*>& actions) { windowActions_ += actions; }

  void FitGrid();
  void ShowActualSize();
  // Shows or hides the legend of the shading.
  void ToggleLegend();
  // Turns relief shading on or off; steps its exaggeration up (+1, x2) or down.
  void ToggleRelief();
  void StepRelief(int steps);
  void ToggleMinimap();
  // Asks for a cell to go to, in a bar over the map.
  void OpenGoTo();
  // Keeps the overlays, the fit and go-to clear of `pixels` at the map's right
  // edge, which another control covers.
  void SetCoveredRight(int pixels);
  // The map's area less what that control covers: where fit, go-to and the minimap
  // place the grid, where the overlays go, and what counts as in view.
  PixelRect OpenArea() const;
  // The map area as it is shown now, at device resolution.
  QImage ShownPicture();
  // Says `text` over the map's lower left corner, until the next load or resize.
  void ShowNotice(const QString& text);

 signals:
  // How far the records of a view have been read, when that takes a while.
  void viewProgress(double fraction);
  // The view asked for is shown, or cannot be drawn.
  void viewSettled();
  // Ctrl+I, or the menu: the statistics are to be shown, or hidden.
  void statisticsToggled(bool shown);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void AddCommands();
  void SetView(const Viewport& view);
  void RequestDraw();
  void PanBy(QPointF delta);
  void ZoomAbout(int steps, QPointF point);
  void OnViewDrawn(const QImage& image, const Viewport& view, quint64 serial);
  void OnViewStale(const QString& reason, quint64 serial);
  void ShowMenu(QPoint globalPosition);
  MapPlace Place() const;
  void PlaceOverlays();
  void SetBackdrop(const QImage& image, const Viewport& view);
  // Centres the cell `text` names, outlined for a moment, or says why it cannot.
  void GoTo(const QString& text);
  void PaintMark(QPainter& painter);
  GridExtent Extent() const;
  PixelRect Area() const;
  QPointF Centre() const;

  QImage picture_;        // on hand
  Viewport pictureView_;  // the view it shows
  QImage backdrop_;       // the whole grid, small: what fills newly exposed parts
  Viewport backdropView_;
  Viewport view_;      // the view wanted
  Viewport keptView_;  // to go back to when a reloaded grid comes
  Relief relief_;
  double reliefStart_ = 1.0;  // the grid's own exaggeration
  int reliefSteps_ = 0;       // the user's doublings of it
  std::shared_ptr<const LoadedGrid> grid_;
  // Counts grids shown, so that results for an earlier one are dropped.
  quint64 generation_ = 0;
  std::optional<QPoint> dragFrom_;
  int coveredRight_ = 0;
  int wheelAngle_ = 0;  // eighths of a degree not yet turned into a zoom step
  QLabel* notice_;
  MapLegend* legend_;
  Minimap* minimap_;
  GoToBar* goTo_;
  std::optional<PictureCell> marked_;  // the cell gone to, outlined until markTimer_ ends
  QTimer markTimer_;
  MapReadout readout_;
  QList<QAction*> menuActions_;  // the map's own commands
  QList<QAction*> keyActions_;   // those with keys for the map alone
  QList<QAction*> windowActions_;
  bool statisticsShown_ = false;  // as the user last asked
  ViewWorker worker_;
};

}  // namespace tolmer
