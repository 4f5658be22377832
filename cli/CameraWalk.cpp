#include "cli/CameraWalk.h"

#include <cstdint>
#include <memory>
#if defined(_WIN32)
#include <system_error>
#include <thread>
#else
#include <pthread.h>
#endif

#include "cameradata/CameraStatus.h"

namespace zul::cli {

namespace {

// Each camera's thread gets 1 MiB of stack: its work needs far less (a
// request's buffer is 64 KiB), and a system default of 8 MiB costs more to
// set up (measured at about 110 us a thread against 33 us for 1 MiB).
constexpr std::size_t kStackSize = std::size_t{1} << 20;

// The stacks of a walk's threads, one block for all of them. On POSIX systems
// a thread whose stack the library allocated has it handed back page by page
// when it ends (madvise), each a flush of the other processors' address
// caches, which on a virtual machine costs as much as a thread's start; a
// stack of the caller's is left alone, and the block goes back once.
class WalkStacks {
 public:
  // Not cleared: a thread's stack needs no zeroes, and pages never touched
  // are never given memory.
  explicit WalkStacks([[maybe_unused]] std::size_t threads) {
#if !defined(_WIN32)
    block_.reset(new unsigned char[threads * kStackSize + kAlignment]);
#endif
  }
  void* Stack(std::size_t k) {
    const auto base = (reinterpret_cast<std::uintptr_t>(block_.get()) + kAlignment - 1) &
                      ~std::uintptr_t{kAlignment - 1};
    return reinterpret_cast<void*>(base + k * kStackSize);
  }

 private:
  static constexpr std::size_t kAlignment = 64;
  std::unique_ptr<unsigned char[]> block_;
};

// A thread that runs work on the given stack (POSIX; Windows only reserves a
// thread's stack, and keeps std::thread), joined when it goes. Where no
// thread can be started, the work runs on the caller's: one camera after
// another rather than none.
class WalkThread {
 public:
  WalkThread(std::function<void()> work, [[maybe_unused]] void* stack) : work_(std::move(work)) {
#if defined(_WIN32)
    try {
      thread_ = std::thread(work_);
    } catch (const std::system_error&) {
      work_();
    }
#else
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstack(&attributes, stack, kStackSize);
    started_ = pthread_create(&id_, &attributes, &WalkThread::Run, this) == 0;
    pthread_attr_destroy(&attributes);
    if (!started_) work_();
#endif
  }
  ~WalkThread() {
#if defined(_WIN32)
    if (thread_.joinable()) thread_.join();
#else
    if (started_) pthread_join(id_, nullptr);
#endif
  }
  WalkThread(const WalkThread&) = delete;
  WalkThread& operator=(const WalkThread&) = delete;

 private:
  std::function<void()> work_;
#if defined(_WIN32)
  std::thread thread_;
#else
  static void* Run(void* self) {
    static_cast<WalkThread*>(self)->work_();
    return nullptr;
  }
  pthread_t id_{};
  bool started_ = false;
#endif
};

// A device that opened, waiting for its identification.
struct Opened {
  std::size_t index;
  VolumeHandle handle;
};

// Identifies the device on its handle and, for a camera, reads its serial
// number when asked and visits it. Returns whether it was a camera.
bool VisitOpened(DevicePort& port, const DeviceCandidate& candidate, const Opened& opened,
                 bool readSerial, const CameraVisit& visit) {
  DeviceSession session{port};
  const bool camera = IdentifyCameraOn(session, candidate, opened.handle);
  if (camera) {
    WalkedCamera found{candidate, std::nullopt};
    std::string serial;
    if (readSerial && ReadSerialNumber(session, serial)) found.serialNumber = std::move(serial);
    visit(opened.index, session, found);
  }
  session.ReleaseHandle();
  return camera;
}

}  // namespace

std::size_t WalkCameras(DevicePort& port, const std::vector<DeviceCandidate>& candidates,
                        WalkPlan plan, const CameraVisit& visit, ScanReport* report) {
  std::size_t cameras = 0;
  if (plan.pace == WalkPlan::Pace::OneByOne) {
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      const VolumeHandle h = OpenCandidate(port, candidates[i], report);
      if (h != kNoHandle && VisitOpened(port, candidates[i], {i, h}, plan.readSerial, visit)) {
        ++cameras;
      }
    }
    return cameras;
  }
  // Opening never waits on a device and costs far less than starting a
  // thread: every device is opened here first, and only those that open get
  // a thread, started here one after another.
  std::vector<Opened> opened;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const VolumeHandle h = OpenCandidate(port, candidates[i], report);
    if (h != kNoHandle) opened.push_back({i, h});
  }
  std::vector<char> found(opened.size(), 0);
  {
    WalkStacks stacks(opened.size());
    std::vector<std::unique_ptr<WalkThread>> threads;
    for (std::size_t k = 0; k < opened.size(); ++k) {
      threads.push_back(std::make_unique<WalkThread>(
          [&, k] {
            found[k] =
                VisitOpened(port, candidates[opened[k].index], opened[k], plan.readSerial, visit);
          },
          stacks.Stack(k)));
    }
  }  // every thread joined here, before its stack goes
  for (char f : found) cameras += f ? 1 : 0;
  return cameras;
}

bool CameraGone(DevicePort& port, const DeviceCandidate& candidate) {
  const VolumeHandle h = port.OpenVolume(candidate.path.c_str());
  if (h == kNoHandle) return LastDeviceError().failure == DeviceFailure::NotFound;
  port.CloseVolume(h);
  return false;
}

}  // namespace zul::cli
