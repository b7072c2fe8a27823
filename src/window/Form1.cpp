// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/Form1.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTextDocument>
#include <utility>

#include "grid/GridError.h"
#include "render/ViewerGeometry.h"
#include "window/FileDropFilter.h"
#include "window/GridSession.h"
#include "window/MapView.h"
#include "window/PathCompleter.h"
#include "window/PngExport.h"
#include "window/StatisticsPanel.h"

namespace tolmer {
namespace {

// Where the controls sit in the client area.
constexpr PixelRect kText1Rect{0, 0, 257, 19};
constexpr PixelRect kCommand1Rect{264, 0, 57, 17};
constexpr PixelRect kLabel1Rect{328, 0, 129, 17};
// Small enough for any screen, large enough that the control row stays whole.
constexpr std::int32_t kMinimumViewerWidth =
    kLabel1Rect.left + kLabel1Rect.width + kViewerMapPlacement.Left();
constexpr std::int32_t kMinimumViewerHeight = kViewerMapPlacement.Top();

// Width for Label1 so that it shows `textWidth` pixels of status: never narrower than
// its designed width, and never reaching past the right edge of the client area.
constexpr std::int32_t StatusLabelWidth(std::int32_t textWidth, std::int32_t clientWidth) {
  const std::int32_t roomToEdge = clientWidth - kLabel1Rect.left;
  const std::int32_t wanted = textWidth < roomToEdge ? textWidth : roomToEdge;
  return wanted > kLabel1Rect.width ? wanted : kLabel1Rect.width;
}

// The progress strip of a running load: rows 20 to 23, in the gap between the
// control row and the map, as wide as the map area with a margin on either side.
constexpr PixelRect ProgressStripRect(std::int32_t clientWidth) {
  const std::int32_t margin = kViewerMapPlacement.Left();
  const std::int32_t width = clientWidth - 2 * margin;
  return PixelRect{margin, 20, width > 0 ? width : 0, 4};
}

constexpr int kProgressSteps = 1000;

// What a screen reader is told the window and the map are, where Qt's own guess,
// a plain client area, says too little.
QAccessibleInterface* AccessibleWidget(const QString& /*className*/, QObject* object) {
  if (auto* map = qobject_cast<MapView*>(object)) {
    return new QAccessibleWidget(map, QAccessible::Canvas);
  }
  if (auto* form = qobject_cast<Form1*>(object)) {
    return new QAccessibleWidget(form, QAccessible::Window);
  }
  return nullptr;
}

// Before any widget exists, as Qt keeps the first interface it makes for each.
void InstallAccessibleWidgets() {
  QAccessible::installFactory(&AccessibleWidget);
}
Q_COREAPP_STARTUP_FUNCTION(InstallAccessibleWidgets)

void Place(QWidget& control, const char* name, const char* accessibleName, const PixelRect& rect) {
  control.setObjectName(QString::fromLatin1(name));
  control.setAccessibleName(QString::fromLatin1(accessibleName));
  control.setGeometry(ToQRect(rect));
}

}  // namespace

Form1::Form1(QWidget* parent, LoadWorker::LoadFunction load)
    : QWidget(parent),
      map_(new MapView(this)),
      Text1(new QLineEdit(QStringLiteral("Filename"), this)),
      Command1(new QPushButton(QStringLiteral("Show"), this)),
      Label1(new QLabel(QStringLiteral("Status"), this)),
      progress_(new QProgressBar(this)),
      session_(new GridSession(this, std::move(load),
                               [this] { return map_->palette().color(QPalette::Window); })) {
  setWindowTitle(QStringLiteral("Tolmer by Quindel"));
  resize(kViewerWidth, kViewerHeight);
  setMinimumSize(kMinimumViewerWidth, kMinimumViewerHeight);
  map_->setObjectName(QStringLiteral("Map"));
  map_->setAccessibleName(QStringLiteral("Map"));
  map_->setGeometry(rect());

  Place(*Text1, "Text1", "File name", kText1Rect);
  Place(*Command1, "Command1", "Show", kCommand1Rect);
  Place(*Label1, "Label1", "Status", kLabel1Rect);
  Place(*progress_, "Progress", "Loading progress", ProgressStripRect(width()));
  // Enter in the text box must not press the button.
  Command1->setAutoDefault(false);
  Command1->setDefault(false);
  // File names are shown as typed, even when they look like markup.
  Label1->setTextFormat(Qt::PlainText);
  progress_->setRange(0, kProgressSteps);
  progress_->setTextVisible(false);
  progress_->setFocusPolicy(Qt::NoFocus);
  progress_->hide();

  // Then the map, so that its keys need no mouse. Qt leaves a widget that takes no
  // focus out of the order, so Label1 takes part only while the order is set.
  Label1->setFocusPolicy(Qt::TabFocus);
  setTabOrder(Text1, Command1);
  setTabOrder(Command1, map_);
  setTabOrder(Command1, Label1);
  Label1->setFocusPolicy(Qt::NoFocus);
  Text1->setFocus();
  AddDesktopWays();

  session_->SetSurfaceSize(size());
  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(session_, &GridSession::loadStarted, this, &Form1::LoadStarted);
  connect(session_, &GridSession::statusChanged, this, &Form1::SetStatus);
  connect(session_, &GridSession::progressChanged, this, &Form1::ShowProgress);
  connect(session_, &GridSession::gridDropped, map_, &MapView::ForgetGrid);
  connect(session_, &GridSession::pictureChanged, map_, &MapView::ShowPicture);
  connect(session_, &GridSession::viewToKeep, map_, &MapView::RememberView);
  connect(session_, &GridSession::gridShown, map_, &MapView::SetGrid);
  connect(session_, &GridSession::loadFinished, this, &Form1::LoadEnded);
  connect(map_, &MapView::statisticsToggled, this, &Form1::ShowStatistics);
  connect(map_, &MapView::viewProgress, this, &Form1::ShowProgress);
  connect(map_, &MapView::viewSettled, this, [this] {
    if (!session_->IsLoading()) {
      progress_->hide();
    }
  });
}

bool Form1::IsLoading() const {
  return session_->IsLoading();
}

void Form1::SetStatus(const QString& text) {
  Label1->setText(text);
  // What a screen reader says; setting it tells the reader that the status changed.
  Label1->setAccessibleName(text);
  FitLabel1();
}

void Form1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  map_->setGeometry(rect());
  progress_->setGeometry(ToQRect(ProgressStripRect(width())));
  session_->SetSurfaceSize(size());
  FitLabel1();
  PlaceStatistics();
}

void Form1::closeEvent(QCloseEvent* event) {
  // An open dialog would otherwise keep the program running without its window.
  for (QFileDialog* dialog : findChildren<QFileDialog*>()) {
    dialog->close();
  }
  session_->Stop();
  event->accept();
}

// Everything beyond the designed controls. Of it, only the selected initial text
// shows until it is used.
void Form1::AddDesktopWays() {
  // The installed theme's icon, else the one built in, so a build runs with it too.
  setWindowIcon(
      QIcon::fromTheme(QStringLiteral("tolmer"), QIcon(QStringLiteral(":/tolmer/tolmer.svg"))));
  // Typing replaces the initial text.
  Text1->selectAll();
  Text1->setCompleter(new PathCompleter(Text1));
  AddShortcuts();
  AcceptFileDrops();
  AddMapActions();
}

void Form1::AddShortcuts() {
  // Not "&Show": the button's text stays as designed.
  Command1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_S));
  auto* open = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
  connect(open, &QShortcut::activated, this, &Form1::ShowOpenDialog);
  AddCloseKeys(*this);
}

// Ctrl+Q and Ctrl+W close the viewer from `window`: Form1 or one of its dialogs.
void Form1::AddCloseKeys(QWidget& window) {
  auto* closing = new QShortcut(&window);
  closing->setKeys({QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::CTRL | Qt::Key_W)});
  connect(closing, &QShortcut::activated, this, &QWidget::close);
}

// Onto the map, the button or the label, and onto the text box, where a dropped
// file would otherwise be pasted as a link.
void Form1::AcceptFileDrops() {
  auto* drops = new FileDropFilter(this);
  setAcceptDrops(true);
  installEventFilter(drops);
  Text1->installEventFilter(drops);
  connect(drops, &FileDropFilter::fileDropped, this, &Form1::OpenFile);
}

// Window-wide, so that they work wherever the focus is, and listed in the map's menu.
void Form1::AddMapActions() {
  auto* reload = new QAction(QStringLiteral("Reload"), this);
  reload->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)});
  connect(reload, &QAction::triggered, session_, &GridSession::Reload);
  watchAction_ = new QAction(QStringLiteral("Reload When the File Changes"), this);
  watchAction_->setCheckable(true);
  connect(watchAction_, &QAction::toggled, session_, &GridSession::SetWatching);
  auto* save = new QAction(QStringLiteral("Save the View…"), this);
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(save, &QAction::triggered, this, &Form1::ShowSaveDialog);
  auto* copy = new QAction(QStringLiteral("Copy the View"), this);
  copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  connect(copy, &QAction::triggered, this, &Form1::CopyView);
  addActions({reload, watchAction_, save, copy});
  map_->AddMenuActions({reload, watchAction_, save, copy});
}

// What the map shows at the moment of asking, saved wherever the user then says.
void Form1::ShowSaveDialog() {
  const QImage view = map_->ShownPicture();
  QString suggestion = QStringLiteral("view.png");
  if (const auto& grid = session_->Grid()) {
    const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(grid->fileName)));
    suggestion = file.absoluteDir().filePath(file.completeBaseName() + QStringLiteral(".png"));
  }
  auto* dialog = new QFileDialog(this, QStringLiteral("Save the View"), suggestion);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setDefaultSuffix(QStringLiteral("png"));
  dialog->setNameFilters({QStringLiteral("PNG images (*.png)")});
  dialog->selectFile(suggestion);
  connect(dialog, &QFileDialog::fileSelected, this,
          [this, view](const QString& name) { SaveView(view, name); });
  // Not modal, as the open dialog.
  dialog->setWindowModality(Qt::NonModal);
  AddCloseKeys(*dialog);
  dialog->show();
}

void Form1::SaveView(const QImage& view, const QString& name) {
  try {
    WritePng(view, QFile::encodeName(name).toStdString());
  } catch (const GridError& error) {
    map_->ShowNotice(QFile::decodeName(QByteArray::fromStdString(error.what())));
  }
}

void Form1::CopyView() {
  QGuiApplication::clipboard()->setImage(map_->ShownPicture());
}

void Form1::ShowStatistics(bool shown) {
  if (statistics_ == nullptr) {
    if (!shown) {
      return;
    }
    statistics_ = new StatisticsPanel(this);
    statistics_->setObjectName(QStringLiteral("Statistics"));
    connect(session_, &GridSession::gridDropped, statistics_,
            [this] { statistics_->SetGrid(nullptr); });
    // After the map's own, so that the view it counts is the grid's.
    connect(session_, &GridSession::gridShown, statistics_,
            [this](const std::shared_ptr<const LoadedGrid>& grid) {
              statistics_->SetGrid(grid);
              CountViewStatistics();
            });
    connect(map_, &MapView::viewSettled, this, &Form1::CountViewStatistics);
    statistics_->SetGrid(session_->Grid());
  }
  statistics_->setVisible(shown);
  map_->SetCoveredRight(shown ? StatisticsPanel::kWidth : 0);
  PlaceStatistics();
  CountViewStatistics();
}

// At the map's right edge, below the controls and the progress strip.
void Form1::PlaceStatistics() {
  if (statistics_ != nullptr) {
    const PixelRect area = MapArea(width(), height());
    statistics_->setGeometry(width() - StatisticsPanel::kWidth, area.top, StatisticsPanel::kWidth,
                             area.height);
  }
}

// The cells the panel leaves uncovered count as in view.
void Form1::CountViewStatistics() {
  if (statistics_ != nullptr && !statistics_->isHidden()) {
    statistics_->SetView(map_->View(), map_->OpenArea());
  }
}

void Form1::ShowOpenDialog() {
  auto* dialog = new QFileDialog(this, QStringLiteral("Open Cell Grid"), openFolder_);
  // Gone once closed: a hidden dialog would go on watching and reading its folder.
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setNameFilters({QStringLiteral("Cell grids (*.grid)"), QStringLiteral("All files (*)")});
  connect(dialog, &QFileDialog::fileSelected, this, &Form1::OpenChosenFile);
  connect(dialog, &QFileDialog::finished, this,
          [this, dialog] { openFolder_ = dialog->directory().absolutePath(); });
  // Not modal: loads, painting and closing the window go on while it is open.
  dialog->setWindowModality(Qt::NonModal);
  AddCloseKeys(*dialog);
  dialog->show();
}

void Form1::OpenFile(const std::string& fileName) {
  Text1->setText(QFile::decodeName(QByteArray::fromStdString(fileName)));
  givenName_ = GivenName{Text1->text(), fileName};
  session_->Load(fileName);
}

void Form1::OpenChosenFile(const QString& name) {
  OpenFile(QFile::encodeName(name).toStdString());
}

void Form1::Command1_Click() {
  // Alt+S reaches the button past an open completion list, which would cover the map.
  if (QCompleter* completer = Text1->completer(); completer != nullptr) {
    completer->popup()->hide();
  }
  // Text is not bytes: a name that is not valid UTF-8 would name another file.
  const QString text = Text1->text();
  session_->Load(givenName_ && givenName_->text == text ? givenName_->bytes
                                                        : QFile::encodeName(text).toStdString());
}

void Form1::LoadStarted() {
  Label1->setToolTip(QString());
  Label1->setAccessibleDescription(QString());
  progress_->setValue(0);
}

void Form1::ShowProgress(double fraction) {
  progress_->setValue(static_cast<int>(fraction * kProgressSteps));
  progress_->show();
}

void Form1::LoadEnded(const LoadResult& result) {
  progress_->hide();
  if (result.IsFailed()) {
    const QString reason = QFile::decodeName(QByteArray::fromStdString(result.Reason()));
    // As plain text, so that a file name that looks like markup is shown as it is.
    Label1->setToolTip(Qt::convertFromPlainText(reason, Qt::WhiteSpaceNormal));
    Label1->setAccessibleDescription(reason);
  }
  emit loadFinished(result);
}

void Form1::FitLabel1() {
  const QMargins margins = Label1->contentsMargins();
  const int textWidth = Label1->fontMetrics().horizontalAdvance(Label1->text()) + margins.left() +
                        margins.right() + 2 * Label1->margin();
  Label1->resize(StatusLabelWidth(textWidth, width()), kLabel1Rect.height);
}

}  // namespace tolmer
