// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "GatedLoads.h"

#include <QTest>
#include <chrono>

#include "loader/ShowGrid.h"

namespace tolmer::testing {

// Hands everything to the window's host, and waits at every turn before handing it on.
class GatedLoads::Host : public LoadHost {
 public:
  Host(LoadHost& inner, GatedLoads& gate) : inner_(inner), gate_(gate) {}

  void SetStatus(const std::string& text) override { inner_.SetStatus(text); }
  DrawingSurface& Surface() override { return inner_.Surface(); }
  HeightRange& Range() override { return inner_.Range(); }
  MapPlacement Placement() const override { return inner_.Placement(); }
  bool StopRequested() const override { return inner_.StopRequested(); }
  void TakeTurn(const LoadProgress& progress) override {
    gate_.Hold(++turns_, inner_);
    inner_.TakeTurn(progress);
  }

 private:
  LoadHost& inner_;
  GatedLoads& gate_;
  int turns_ = 0;
};

LoadWorker::LoadFunction GatedLoads::Function() {
  return [this](const std::string& fileName, LoadHost& host) {
    {
      const std::lock_guard lock(mutex_);
      names_.push_back(fileName);
    }
    Host gated(host, *this);
    return ShowGrid(fileName, gated);
  };
}

void GatedLoads::Hold(int turn, const LoadHost& host) {
  std::unique_lock lock(mutex_);
  heldAt_ = turn;
  // Polled, as nothing signals a stop request to this thread.
  while (!released_ && allowed_ == 0 && !host.StopRequested()) {
    changed_.wait_for(lock, std::chrono::milliseconds(2));
  }
  if (allowed_ > 0) {
    --allowed_;
  }
  heldAt_ = 0;
}

void GatedLoads::Release(int turns) {
  const std::lock_guard lock(mutex_);
  allowed_ += turns;
  changed_.notify_all();
}

void GatedLoads::ReleaseAll() {
  const std::lock_guard lock(mutex_);
  released_ = true;
  changed_.notify_all();
}

void GatedLoads::HoldAgain() {
  const std::lock_guard lock(mutex_);
  released_ = false;
  allowed_ = 0;
}

bool GatedLoads::WaitUntilHeldAt(int turn) {
  return QTest::qWaitFor(
      [&] {
        const std::lock_guard lock(mutex_);
        return heldAt_ == turn;
      },
      10000);
}

std::vector<std::string> GatedLoads::Names() {
  const std::lock_guard lock(mutex_);
  return names_;
}

}  // namespace tolmer::testing
