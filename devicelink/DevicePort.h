#pragma once
// The one seam between the tool and the operating system's volumes: open a
// volume by its device path, run one SCSI pass-through request on it, close it.
// Everything above it (header layout, offsets, command blocks) is the same code
// on every build, so the bytes the tests see are the bytes the system gets.

#include <cstdint>

namespace zul {

// An open volume. Opaque; nullptr means "none".
using VolumeHandle = void*;
inline constexpr VolumeHandle kNoHandle = nullptr;

class DevicePort {
 public:
  virtual ~DevicePort() = default;

  // Opens the volume named by devicePath (for example "\\.\F:") for reading and
  // writing, shared with other readers and writers. Returns kNoHandle when the
  // volume does not exist or cannot be opened. Never blocks on the device.
  virtual VolumeHandle OpenVolume(const char* devicePath) = 0;

  // Runs one SCSI pass-through request. The first inSize bytes of buffer are the
  // request (a pass-through header, see PassThroughBuffer.h); the system may write
  // up to outSize bytes of buffer back (header, sense and data areas). Returns
  // true when the system call itself succeeded; the SCSI status and sense data
  // are left in the buffer unexamined. Fails when handle is kNoHandle. Blocks for
  // up to the request's time-out.
  virtual bool PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                           std::uint32_t outSize) = 0;

  // Closes a handle that OpenVolume returned. Closing kNoHandle does nothing.
  virtual void CloseVolume(VolumeHandle handle) = 0;
};

}  // namespace zul
