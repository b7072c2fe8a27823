#include <gtest/gtest.h>

#include <QEvent>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "WindowTesting.h"
#include "support/ReferencePicture.h"
#include "window/Form1.h"

namespace tolmer {
namespace {

using testing::BackgroundOf;
using testing::Grab;
using testing::LoadIntoMemory;
using testing::ShowsPicture;
using testing::WindowTest;

// A window whose loads are slow: every turn it gets takes longer than the event
// interval, so each one lets the window handle its events.
class SlowForm : public Form1 {
 public:
  void SetStatus(const std::string& text) override {
    statuses.push_back(text);
    Form1::SetStatus(text);
  }

  void WhileLoading() override {
    ++beats;
    if (onBeat) {
      onBeat(beats);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kEventInterval + 5));
    Form1::WhileLoading();
  }

  std::vector<std::string> statuses;
  int beats = 0;
  std::function<void(int)> onBeat;
};

// Records what a widget showed each time it was painted.
class PaintRecorder : public QObject {
 public:
  explicit PaintRecorder(QWidget& widget) : widget_(widget) { widget.installEventFilter(this); }
  ~PaintRecorder() override { widget_.removeEventFilter(this); }
  PaintRecorder(const PaintRecorder&) = delete;
  PaintRecorder& operator=(const PaintRecorder&) = delete;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &widget_ && event->type() == QEvent::Paint) {
      auto* label = qobject_cast<QLabel*>(&widget_);
      painted.push_back(label != nullptr ? label->text().toStdString() : std::string());
    }
    return false;
  }

  std::vector<std::string> painted;

 private:
  QWidget& widget_;
};

// Two turns per pass: the load gets a turn every 65536 cells.
constexpr std::int32_t kWidth = 256;
constexpr std::int32_t kHeight = 512;
constexpr int kBeatsPerLoad = 4;

class Form1LongLoadTest : public WindowTest {
 protected:
  void SetUp() override {
    ShowAndActivate(form);
    path = Grid("long.grid", kWidth, kHeight);
  }

  SlowForm form;
  std::string path;
};

TEST_F(Form1LongLoadTest, LoadingStatusIsOnScreenBeforeTheLoadEnds) {
  PaintRecorder label(Label1(form));
  std::vector<std::string> paintedAtFirstBeat;
  form.onBeat = [&](int beat) {
    if (beat == 1) {
      paintedAtFirstBeat = label.painted;
    }
  };
  ShowFile(form, path);
  EXPECT_EQ(form.beats, kBeatsPerLoad);
  ASSERT_FALSE(paintedAtFirstBeat.empty());
  EXPECT_EQ(paintedAtFirstBeat.back(), "Loading " + path);
  ASSERT_FALSE(label.painted.empty());
  EXPECT_EQ(label.painted.back(), "Loaded, 256x512");
}

TEST_F(Form1LongLoadTest, MapIsPaintedWhileTheLoadRuns) {
  PaintRecorder map(*form.findChild<QWidget*>(QStringLiteral("Surface")));
  std::size_t paintsBeforeEnd = 0;
  form.onBeat = [&](int beat) {
    if (beat == kBeatsPerLoad) {
      paintsBeforeEnd = map.painted.size();
    }
  };
  ShowFile(form, path);
  // The clear, and the picture so far at every turn.
  EXPECT_GE(paintsBeforeEnd, static_cast<std::size_t>(kBeatsPerLoad));
}

TEST_F(Form1LongLoadTest, ClickDuringALoadStartsNoSecondLoad) {
  int clicksDuringLoad = 0;
  QTimer::singleShot(0, &form, [&] {
    ++clicksDuringLoad;
    Command1(form).click();
  });
  ShowFile(form, path);
  EXPECT_EQ(clicksDuringLoad, 1);
  EXPECT_EQ(form.beats, kBeatsPerLoad);
  EXPECT_EQ(form.statuses, (std::vector<std::string>{"Loading " + path, "Loaded, 256x512"}));
  // Once over, the window loads again as usual.
  QTest::mouseClick(&Command1(form), Qt::LeftButton);
  EXPECT_EQ(form.beats, 2 * kBeatsPerLoad);
}

TEST_F(Form1LongLoadTest, ClosingDuringALoadAbandonsItAndCloses) {
  bool closedAtOnce = true;
  QTimer::singleShot(0, &form, [&] { closedAtOnce = form.close(); });
  ShowFile(form, path);
  EXPECT_FALSE(closedAtOnce) << "the window closed under a running load";
  EXPECT_LT(form.beats, kBeatsPerLoad);
  EXPECT_EQ(Label1(form).text(), "Error");
  EXPECT_FALSE(form.isVisible());
}

TEST_F(Form1LongLoadTest, ClosingWhenIdleClosesAtOnce) {
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
}

TEST_F(Form1LongLoadTest, ResizeDuringALoadKeepsTheSurfaceSize) {
  // The surface is cleared and painting by the third turn.
  form.onBeat = [&](int beat) {
    if (beat == 3) {
      form.resize(900, 700);
    }
  };
  ShowFile(form, path);
  ASSERT_EQ(form.size(), QSize(900, 700));
  const auto reference = LoadIntoMemory(path, BackgroundOf(form));
  EXPECT_EQ(Label1(form).text().toStdString(), reference.status);
  EXPECT_TRUE(ShowsPicture(Grab(form), reference.picture, BackgroundOf(form)));
}

}  // namespace
}  // namespace tolmer
