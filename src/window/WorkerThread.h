// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

namespace tolmer {

// Has `stopAndJoin` called at exit() unless ForgetAtExit(owner) came first: the
// threads of windows that are never destroyed must not outlive the libraries they
// use. Call once the application object exists.
void JoinAtExit(const QObject* owner, std::function<void()> stopAndJoin);
void ForgetAtExit(const QObject* owner);

// Lets a long read tell how far it has got, or show its picture, at most every
// kInterval, so that the window's thread is not flooded.
class Throttle {
 public:
  static constexpr qint64 kInterval = 50;  // milliseconds

  Throttle() { since_.start(); }
  // True once kInterval has passed since the last time it was due, or since Restart.
  bool Due() {
    if (since_.elapsed() < kInterval) {
      return false;
    }
    since_.restart();
    return true;
  }
  void Restart() { since_.restart(); }

 private:
  QElapsedTimer since_;
};

// Calls that worker threads hand to the thread that owns the outbox, where each
// runs in the order posted: the worker's results, as signals of the window's thread.
// The hand-over is made under the outbox's own mutex, which ThreadSanitizer sees,
// rather than with arguments queued inside Qt's event queue, whose locks it cannot
// see and so could not check.
class Outbox : public QObject {
  Q_OBJECT

 public:
  Outbox();

  // From any thread.
  void Post(std::function<void()> call);

 signals:
  void posted(QPrivateSignal);

 private:
  void RunPosted();

  std::mutex mutex_;
  std::vector<std::function<void()>> calls_;
};

// One long-lived thread that works through requests from a mailbox of one: a
// request posted before the thread has taken the one waiting replaces it, so the
// latest wins. Whether a new request also stops the one being worked on is the
// poster's policy. Destroying the worker, or leaving the process by exit(), stops
// the work and joins the thread.
template <typename Request>
class WorkerThread {
 public:
  using Work = std::function<void(Request& request, std::stop_token stop)>;

  WorkerThread(const QObject* owner, Work work) : owner_(owner), work_(std::move(work)) {
    thread_ = std::jthread([this](std::stop_token stop) { Run(std::move(stop)); });
    JoinAtExit(owner_, [this] { StopAndJoin(); });
  }
  ~WorkerThread() {
    ForgetAtExit(owner_);
    StopAndJoin();
  }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Puts `request` in the mailbox in place of any still waiting; with `preempt`,
  // the request being worked on is asked to stop too.
  void Post(Request request, bool preempt) {
    const std::lock_guard lock(mutex_);
    waiting_ = std::move(request);
    cancelWaiting_ = false;
    if (preempt) {
      working_.request_stop();
    }
    wake_.notify_one();
  }
  // Asks the request being worked on to stop, and the one waiting to stop as soon as
  // it starts, so that every request posted is still handed to the work once.
  void Cancel() {
    const std::lock_guard lock(mutex_);
    working_.request_stop();
    cancelWaiting_ = waiting_.has_value();
  }

 private:
  void Run(std::stop_token stop) {
    while (true) {
      std::optional<Request> request;
      std::stop_token working;
      {
        std::unique_lock lock(mutex_);
        if (!wake_.wait(lock, stop, [this] { return waiting_.has_value(); })) {
          return;
        }
        request = std::exchange(waiting_, std::nullopt);
        working_ = std::stop_source();
        if (std::exchange(cancelWaiting_, false)) {
          working_.request_stop();
        }
        working = working_.get_token();
      }
      work_(*request, std::move(working));
    }
  }

  void StopAndJoin() {
    Cancel();
    thread_.request_stop();
    if (thread_.joinable()) {
      thread_.join();
    }
  }

  const QObject* owner_;
  Work work_;
  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::optional<Request> waiting_;
  std::stop_source working_;  // of the request being worked on
  bool cancelWaiting_ = false;
  // Last, so that it is stopped and joined before anything it uses goes.
  std::jthread thread_;
};

}  // namespace tolmer
