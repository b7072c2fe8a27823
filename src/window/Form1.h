// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>
#include <optional>
#include <string>

#include "loader/LoadResult.h"
#include "loader/ShowGrid.h"
#include "window/LoadWorker.h"

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tolmer {

class GridSession;
class MapView;
class StatisticsPanel;

// The viewer's one window: a file name box, a "Show" button, a status label, and
// below them the map, painted by ShowGrid when the button is pressed. The load runs
// off the window's thread, so the window stays responsive: a thin strip shows how
// far it has got, a click during a load queues the next one, and closing the
// window stops the load. Files can also be opened with Ctrl+O, by dropping one on
// the window, or with OpenFile; the text box completes file names.
class Form1 : public QWidget {
  Q_OBJECT

 public:
  explicit Form1(QWidget* parent = nullptr, LoadWorker::LoadFunction load = ShowGrid);

  // Replaces the whole status text in Label1.
  void SetStatus(const QString& text);
  // True from a click on Show until its load, and any load queued behind it, ends.
  bool IsLoading() const;
  // Puts the name into Text1 and loads it as Show does, by exactly these bytes.
  void OpenFile(const std::string& fileName);

 signals:
  void loadFinished(const tolmer::LoadResult& result);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Command1_Click();
  void AddDesktopWays();
  void AddShortcuts();
  void AddCloseKeys(QWidget& window);
  void AcceptFileDrops();
  void ShowOpenDialog();
  void OpenChosenFile(const QString& name);
  void LoadStarted();
  void ShowProgress(double fraction);
  void LoadEnded(const LoadResult& result);
  void FitLabel1();
  void AddMapActions();
  void ShowSaveDialog();
  void SaveView(const QImage& view, const QString& name);
  void CopyView();
  void ShowStatistics(bool shown);
  void PlaceStatistics();
  void CountViewStatistics();

  // Created first, so that it lies beneath the controls.
  MapView* map_;
  QLineEdit* Text1;
  QPushButton* Command1;
  QLabel* Label1;
  QProgressBar* progress_;
  // A name given as bytes (from the command line, a drop or the dialog), and the
  // text Text1 showed it as: Show loads the bytes while Text1 still shows that.
  struct GivenName {
    QString text;
    std::string bytes;
  };
  std::optional<GivenName> givenName_;
  // Where the last file dialog was left, so that the next one opens there.
  QString openFolder_;
  QAction* watchAction_ = nullptr;
  GridSession* session_;
  // Made at the first Ctrl+I, so that a window that never shows it is as it was.
  StatisticsPanel* statistics_ = nullptr;
};

}  // namespace tolmer
