// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "window/LoadWorker.h"

namespace tolmer::testing {

// Loads through ShowGrid that a test holds at their turns (before every 65536th
// cell, and before the window's host hears of the turn), so that it can look at the
// window and act while a load runs. A held load goes on when the test releases it
// or when it is asked to stop.
class GatedLoads {
 public:
  // The load function to give the window.
  LoadWorker::LoadFunction Function();

  // Lets the loads pass `turns` more turns, or all of them from now on.
  void Release(int turns);
  void ReleaseAll();
  // Holds the loads at every turn again after ReleaseAll.
  void HoldAgain();
  // Waits, handling the window's events, until the running load is held at its
  // turn `turn` (counted from 1); false after 10 s.
  bool WaitUntilHeldAt(int turn);
  // The file names of the loads run so far.
  std::vector<std::string> Names();

 private:
  class Host;

  void Hold(int turn, const LoadHost& host);

  std::mutex mutex_;
  std::condition_variable changed_;
  int allowed_ = 0;
  bool released_ = false;
  int heldAt_ = 0;
  std::vector<std::string> names_;
};

}  // namespace tolmer::testing
