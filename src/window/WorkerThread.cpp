// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/WorkerThread.h"

#include <cstdlib>

namespace tolmer {
namespace {

// Every worker thread alive, so that a process that exits without destroying its
// window, as Qt's does when the display goes away, still stops and joins them
// before the libraries they talk to are torn down.
struct LiveWorkers {
  std::mutex mutex;
  std::vector<std::pair<const QObject*, std::function<void()>>> workers;
};

LiveWorkers& Live() {
  // Never destroyed: exit handlers may still need it.
  static auto* live = new LiveWorkers;
  return *live;
}

void StopAllWorkers() {
  const std::lock_guard lock(Live().mutex);
  for (const auto& worker : Live().workers) {
    worker.second();
  }
}

}  // namespace

void JoinAtExit(const QObject* owner, std::function<void()> stopAndJoin) {
  // Registered once the application object exists, so that it runs before Qt's own
  // exit handlers and static objects go.
  static const bool stopsAtExit = std::atexit(StopAllWorkers) == 0;
  (void)stopsAtExit;
  const std::lock_guard lock(Live().mutex);
  Live().workers.emplace_back(owner, std::move(stopAndJoin));
}

void ForgetAtExit(const QObject* owner) {
  const std::lock_guard lock(Live().mutex);
  std::erase_if(Live().workers, [owner](const auto& worker) { return worker.first == owner; });
}

Outbox::Outbox() {
  connect(this, &Outbox::posted, this, &Outbox::RunPosted, Qt::QueuedConnection);
}

void Outbox::Post(std::function<void()> call) {
  bool first = false;
  {
    const std::lock_guard lock(mutex_);
    first = calls_.empty();
    calls_.push_back(std::move(call));
  }
  // One notice for all the calls posted until the owner's thread takes them.
  if (first) {
    emit posted(QPrivateSignal());
  }
}

void Outbox::RunPosted() {
  std::vector<std::function<void()>> calls;
  {
    const std::lock_guard lock(mutex_);
    calls.swap(calls_);
  }
  for (const auto& call : calls) {
    call();
  }
}

}  // namespace tolmer
