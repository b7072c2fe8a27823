// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/MappedRecords.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>

#include <mutex>
#include <string>

#include "grid/GridError.h"

namespace tolmer {
namespace {

// The mapping the thread in Guard is reading, and where to go back to, for the
// bus-error handler, which runs on the faulting thread.
thread_local const unsigned char* guardedLow = nullptr;
thread_local const unsigned char* guardedHigh = nullptr;
thread_local sigjmp_buf* guardedJump = nullptr;

struct sigaction previousAction;

// A fault in the guarded mapping goes back to Guard; any other is handled as if
// this handler were not there.
void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto* address = static_cast<const unsigned char*>(info->si_addr);
  if (guardedJump != nullptr && address >= guardedLow && address < guardedHigh) {
    siglongjmp(*guardedJump, 1);
  }
  if ((previousAction.sa_flags & SA_SIGINFO) != 0) {
    previousAction.sa_sigaction(signal, info, context);
  } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
    previousAction.sa_handler(signal);
  } else {
    // Ends the process as it would have ended: by the signal sent, or by the fault,
    // which repeats on return.
    ::signal(SIGBUS, SIG_DFL);
    ::raise(SIGBUS);
  }
}

void HandleBusErrors() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    struct sigaction action = {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previousAction);
  });
}

// Leaves the guard however Guard ends, but for a jump, which lands back in it.
struct GuardedRange {
  GuardedRange(const unsigned char* low, const unsigned char* high, sigjmp_buf* jump) {
    guardedLow = low;
    guardedHigh = high;
    guardedJump = jump;
  }
  GuardedRange(const GuardedRange&) = delete;
  GuardedRange& operator=(const GuardedRange&) = delete;
  ~GuardedRange() { guardedJump = nullptr; }
};

// Mappings start and end on these boundaries of the file, a multiple of any page
// size, so that the large folios the page cache reads a file into are mapped whole:
// windows cut at any page took a tenth longer to fault in. Past the file's end
// nothing is read.
constexpr std::uint64_t kMappingAlignment = std::uint64_t{2} << 20U;

}  // namespace

std::optional<MappedRecords> MappedRecords::Map(int fd, std::uint64_t first, std::uint64_t count) {
  const std::uint64_t start = kHeaderSize + first * kCellRecordSize;
  const std::uint64_t end = start + count * kCellRecordSize;
  const std::uint64_t mapStart = start / kMappingAlignment * kMappingAlignment;
  const std::uint64_t bytes =
      (end + kMappingAlignment - 1) / kMappingAlignment * kMappingAlignment - mapStart;
  if (count == 0 || bytes > SIZE_MAX) {
    return std::nullopt;
  }
  HandleBusErrors();
  void* mapping = ::mmap(nullptr, static_cast<std::size_t>(bytes), PROT_READ, MAP_SHARED, fd,
                         static_cast<off_t>(mapStart));
  if (mapping == MAP_FAILED) {
    return std::nullopt;
  }
  auto* bytesMapped = static_cast<unsigned char*>(mapping);
  return MappedRecords(bytesMapped, static_cast<std::size_t>(bytes), first,
                       bytesMapped + (start - mapStart));
}

MappedRecords::MappedRecords(MappedRecords&& other) noexcept
    : mapping_(other.mapping_),
      bytes_(other.bytes_),
      first_(other.first_),
      firstRecord_(other.firstRecord_) {
  other.mapping_ = nullptr;
}

MappedRecords& MappedRecords::operator=(MappedRecords&& other) noexcept {
  if (this != &other) {
    if (mapping_ != nullptr) {
      ::munmap(mapping_, bytes_);
    }
    mapping_ = other.mapping_;
    bytes_ = other.bytes_;
    first_ = other.first_;
    firstRecord_ = other.firstRecord_;
    other.mapping_ = nullptr;
  }
  return *this;
}

MappedRecords::~MappedRecords() {
  if (mapping_ != nullptr) {
    ::munmap(mapping_, bytes_);
  }
}

void MappedRecords::Guard(void (*call)(void*), void* context, std::uint64_t first) const {
  sigjmp_buf jump;
  const GuardedRange guarded(mapping_, mapping_ + bytes_, &jump);
  // The signal mask is not saved, which would take a call into the kernel for every
  // guarded read; after the jump only the bus error the handler blocked needs
  // unblocking again.
  if (sigsetjmp(jump, 0) != 0) {
    sigset_t busError;
    sigemptyset(&busError);
    sigaddset(&busError, SIGBUS);
    ::pthread_sigmask(SIG_UNBLOCK, &busError, nullptr);
    // A bus error is all the system says, of a file cut short and of a failed device.
    throw GridError("cannot read grid file at record " + std::to_string(first) +
                    " or after: it was shortened while being read, or its device failed");
  }
  call(context);
}

}  // namespace tolmer
