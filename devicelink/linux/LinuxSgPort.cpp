#include "devicelink/linux/LinuxSgPort.h"

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "devicelink/PassThroughBuffer.h"
#include "devicelink/linux/LinuxSysfs.h"
#include "platform/SecureWipe.h"

namespace zul {
namespace {

// The kernel's host and driver status codes (include/scsi/scsi_status.h and
// the sg driver); userspace headers do not carry them.
constexpr unsigned kDidOk = 0x00;
constexpr unsigned kDidNoConnect = 0x01;
constexpr unsigned kDidTimeOut = 0x03;
constexpr unsigned kDidBadTarget = 0x04;
constexpr unsigned kDriverMask = 0x0f;
constexpr unsigned kDriverSense = 0x08;  // sense data came back: not a failure
constexpr unsigned kDriverTimeout = 0x06;

// SCSI_IOCTL_DATA_OUT / _IN / _UNSPECIFIED in the header's DataIn byte.
constexpr std::uint8_t kDataOut = 0;
constexpr std::uint8_t kDataUnspecified = 2;

void Fail(DeviceFailure failure, int error) {
  SetLastDeviceError({failure, static_cast<std::uint32_t>(error)});
}

void FailErrno(int error) {
  DeviceFailure failure = DeviceFailure::Other;
  if (error == EACCES || error == EPERM) {
    failure = DeviceFailure::AccessDenied;
  } else if (error == ENOENT || error == ENXIO || error == ENODEV) {
    failure = DeviceFailure::NotFound;
  }
  Fail(failure, error);
}

int FdOf(VolumeHandle handle) {
  return static_cast<int>(reinterpret_cast<std::uintptr_t>(handle) - 1);
}

// An area of the caller's buffer the header names: it lies after the header
// and within limit. In 64 bits, so that no offset wraps.
bool AreaFits(std::uint64_t offset, std::uint64_t length, std::uint64_t limit) {
  return length == 0 || (offset >= kHeaderLength && offset <= limit && length <= limit - offset);
}

// The transport failed when the host or driver says so; sense alone is a
// completed command.
bool TransportFailed(const sg_io_hdr_t& io, int& error, DeviceFailure& failure) {
  const unsigned driver = io.driver_status & kDriverMask;
  if (io.host_status == kDidOk && (driver == 0 || driver == kDriverSense)) return false;
  failure = DeviceFailure::Other;
  error = EIO;
  if (io.host_status == kDidNoConnect || io.host_status == kDidBadTarget) {
    failure = DeviceFailure::NotFound;
    error = ENODEV;
  } else if (io.host_status == kDidTimeOut || driver == kDriverTimeout) {
    error = ETIMEDOUT;
  }
  return true;
}

}  // namespace

std::vector<DeviceCandidate> LinuxSgPort::Candidates() {
  std::vector<DeviceCandidate> candidates;
  for (const std::string& node : UsbSgNodes(sysRoot_)) {
    const std::string path = "/dev/" + node;
    candidates.push_back({path, path});
  }
  return candidates;
}

VolumeHandle LinuxSgPort::OpenVolume(const char* devicePath) {
  const int fd = system_.Open(devicePath, O_RDWR | O_NONBLOCK);
  if (fd < 0) {
    FailErrno(-fd);
    return kNoHandle;
  }
  return reinterpret_cast<VolumeHandle>(static_cast<std::uintptr_t>(fd) + 1);
}

bool LinuxSgPort::PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                              std::uint32_t outSize) {
  if (handle == kNoHandle) {
    Fail(DeviceFailure::Other, EBADF);
    return false;
  }
  if (buffer == nullptr || inSize < kHeaderLength || outSize < kHeaderLength) {
    Fail(DeviceFailure::Other, EINVAL);
    return false;
  }
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  // Every copy of the request and its answer may hold password characters:
  // each clears itself when the call returns.
  platform::Wiped<ScsiPassThroughHeader> header;
  std::memcpy(static_cast<ScsiPassThroughHeader*>(&header), bytes, sizeof(ScsiPassThroughHeader));

  // Refused as the system refuses a header that does not hold together:
  // nothing is sent and nothing written.
  const std::uint32_t length = header.DataTransferLength;
  const bool out = header.DataIn == kDataOut;
  const bool known = header.DataIn <= kDataIn || (header.DataIn == kDataUnspecified && length == 0);
  if (header.Length != kHeaderLength || header.CdbLength == 0 ||
      header.CdbLength > sizeof header.Cdb || !known ||
      !AreaFits(header.DataBufferOffset, length, out ? inSize : outSize) ||
      !AreaFits(header.SenseInfoOffset, header.SenseInfoLength, outSize)) {
    Fail(DeviceFailure::Other, EINVAL);
    return false;
  }

  // Data and sense travel through buffers of the port's own: the caller's
  // areas are written only with what the device sent, and only on success.
  platform::WipedBytes data(length);
  if (out && length > 0) std::memcpy(data.data(), bytes + header.DataBufferOffset, length);
  platform::Wiped<std::array<std::uint8_t, 255>> sense{};
  platform::Wiped<std::array<std::uint8_t, 16>> cdb;
  std::memcpy(cdb.data(), header.Cdb, cdb.size());

  sg_io_hdr_t io{};
  io.interface_id = 'S';
  io.dxfer_direction = length == 0 ? SG_DXFER_NONE : out ? SG_DXFER_TO_DEV : SG_DXFER_FROM_DEV;
  io.cmd_len = header.CdbLength;
  io.cmdp = cdb.data();
  io.dxfer_len = length;
  io.dxferp = length > 0 ? data.data() : nullptr;
  io.mx_sb_len = header.SenseInfoLength;
  io.sbp = sense.data();
  const std::uint64_t ms = std::uint64_t{header.TimeOutValue} * 1000;
  io.timeout = static_cast<unsigned>(std::min<std::uint64_t>(ms, 0xFFFFFFFFu));

  const int rc = system_.SgIo(FdOf(handle), io);
  if (rc < 0) {
    FailErrno(-rc);
    return false;
  }
  int error = 0;
  DeviceFailure failure = DeviceFailure::None;
  if (TransportFailed(io, error, failure)) {
    Fail(failure, error);
    return false;
  }

  const std::uint32_t residue =
      io.resid <= 0 ? 0 : std::min(static_cast<std::uint32_t>(io.resid), length);
  const std::uint32_t moved = length - residue;
  const std::uint8_t senseLength = std::min<std::uint8_t>(io.sb_len_wr, header.SenseInfoLength);
  if (!out && moved > 0) std::memcpy(bytes + header.DataBufferOffset, data.data(), moved);
  if (senseLength > 0) std::memcpy(bytes + header.SenseInfoOffset, sense.data(), senseLength);
  header.ScsiStatus = io.status;
  header.SenseInfoLength = senseLength;
  header.DataTransferLength = moved;
  std::memcpy(bytes + offsetof(ScsiPassThroughHeader, ScsiStatus), &header.ScsiStatus, 1);
  std::memcpy(bytes + offsetof(ScsiPassThroughHeader, SenseInfoLength), &header.SenseInfoLength, 1);
  std::memcpy(bytes + offsetof(ScsiPassThroughHeader, DataTransferLength),
              &header.DataTransferLength, sizeof header.DataTransferLength);
  return true;
}

void LinuxSgPort::CloseVolume(VolumeHandle handle) {
  if (handle != kNoHandle) system_.Close(FdOf(handle));
}

}  // namespace zul
