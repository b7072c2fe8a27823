// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include "loader/MemoryHost.h"

namespace tolmer::testing {

inline constexpr std::int32_t kWindowWidth = kViewerWidth;
inline constexpr std::int32_t kWindowHeight = kViewerHeight;

// The memory host with a test's hooks: code to run at the clear, which is the point
// between the two passes of a load, or at every turn, and a turn at which to ask
// the load to stop.
struct RecordingHost : MemoryHost {
  using MemoryHost::MemoryHost;

  void TakeTurn(const LoadProgress& progress) override {
    MemoryHost::TakeTurn(progress);
    if (onTurn) {
      onTurn();
    }
  }
  bool StopRequested() const override { return stopAtTurn > 0 && Turns() >= stopAtTurn; }

  std::function<void()> onClear;
  std::function<void()> onTurn;
  int stopAtTurn = 0;  // the turn from which on the host asks the load to stop; 0: never

 protected:
  void BeforeClear() override {
    if (onClear) {
      onClear();
    }
  }
};

}  // namespace tolmer::testing
