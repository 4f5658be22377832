#pragma once
// The one seam between the tool and the operating system's volumes: name the
// devices a scan tries, open one by its device path, run one SCSI pass-through
// request on it, close it. Everything above it (header layout, offsets,
// command blocks) is the same code on every build, so the bytes the tests see
// are the bytes the system gets.
//
// Threads: one port may serve several sessions on different threads at once,
// each on handles of its own; every implementation is safe for that. A handle
// is used by one thread at a time. Failures are described the way the system
// does it: a thread-local last error (LastDeviceError), set by the call that
// failed and left alone by calls that succeed.

#include <cstdint>
#include <string>
#include <vector>

namespace zul {

// An open volume. Opaque; nullptr means "none".
using VolumeHandle = void*;
inline constexpr VolumeHandle kNoHandle = nullptr;

// A device a scan tries: the path the system opens and the name the operator
// knows it by ("\\.\F:" and "F:"; "/dev/sg2" and "/dev/sg2").
struct DeviceCandidate {
  std::string path;
  std::string name;
  bool operator==(const DeviceCandidate&) const = default;
};

// Why a device call failed, as far as the caller can act on it.
enum class DeviceFailure : std::uint8_t {
  None,
  NotFound,      // no such device (any more)
  AccessDenied,  // it exists, and this user may not use it
  Other,         // anything else; systemError says what
};

struct DeviceError {
  DeviceFailure failure = DeviceFailure::None;
  std::uint32_t systemError = 0;  // GetLastError() on Windows, errno on Linux; 0 when simulated
};

// The error of the last device call that failed on this thread.
DeviceError LastDeviceError();
// Set by the ports when a call fails.
void SetLastDeviceError(DeviceError error);

class DevicePort {
 public:
  virtual ~DevicePort() = default;

  // The devices a scan tries, in the platform's order: on Windows the drive
  // letters D: to Z:. May look at the system (never at the devices themselves).
  virtual std::vector<DeviceCandidate> Candidates() = 0;

  // Opens the volume named by devicePath (for example "\\.\F:") for reading and
  // writing, shared with other readers and writers. Returns kNoHandle when the
  // volume does not exist or cannot be opened, with the reason in
  // LastDeviceError(). Never blocks on the device.
  virtual VolumeHandle OpenVolume(const char* devicePath) = 0;

  // Runs one SCSI pass-through request. The first inSize bytes of buffer are the
  // request (a pass-through header, see PassThroughBuffer.h); the system may write
  // up to outSize bytes of buffer back (header, sense and data areas). Returns
  // true when the system call itself succeeded; the SCSI status and sense data
  // are left in the buffer unexamined. On false, LastDeviceError() says why.
  // Fails when handle is kNoHandle. Blocks for up to the request's time-out.
  virtual bool PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                           std::uint32_t outSize) = 0;

  // Closes a handle that OpenVolume returned. Closing kNoHandle does nothing.
  virtual void CloseVolume(VolumeHandle handle) = 0;
};

// "\\.\D:" to "\\.\Z:", named "D:" to "Z:": the drive letters a scan tries on
// Windows, and on the simulated drives.
std::vector<DeviceCandidate> DriveLetterCandidates();

// The candidate of one drive letter ('F': "\\.\F:", named "F:").
DeviceCandidate DriveLetterCandidate(char letter);

}  // namespace zul
