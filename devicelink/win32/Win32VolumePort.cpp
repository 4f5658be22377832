#include "devicelink/win32/Win32VolumePort.h"

// The system's headers need windows.h first.
// clang-format off
#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>
// clang-format on

#include <cstddef>
#include <cstring>

#include "devicelink/PassThroughBuffer.h"

namespace zul {

// The header the core builds must be the system's own, on both targets.
static_assert(sizeof(SCSI_PASS_THROUGH) == sizeof(ScsiPassThroughHeader));
static_assert(sizeof(SCSI_PASS_THROUGH) == (sizeof(void*) == 4 ? 44 : 56));
static_assert(offsetof(SCSI_PASS_THROUGH, ScsiStatus) ==
              offsetof(ScsiPassThroughHeader, ScsiStatus));
static_assert(offsetof(SCSI_PASS_THROUGH, CdbLength) == offsetof(ScsiPassThroughHeader, CdbLength));
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoLength) ==
              offsetof(ScsiPassThroughHeader, SenseInfoLength));
static_assert(offsetof(SCSI_PASS_THROUGH, DataIn) == offsetof(ScsiPassThroughHeader, DataIn));
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) ==
              offsetof(ScsiPassThroughHeader, DataTransferLength));
static_assert(offsetof(SCSI_PASS_THROUGH, TimeOutValue) ==
              offsetof(ScsiPassThroughHeader, TimeOutValue));
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) ==
              offsetof(ScsiPassThroughHeader, DataBufferOffset));
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) ==
              offsetof(ScsiPassThroughHeader, SenseInfoOffset));
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == offsetof(ScsiPassThroughHeader, Cdb));
static_assert(IOCTL_SCSI_PASS_THROUGH == 0x4D004);

namespace {

// The system's last error, as the caller can act on it.
void NoteLastError() {
  const DWORD code = GetLastError();
  DeviceFailure failure = DeviceFailure::Other;
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
    failure = DeviceFailure::NotFound;
  } else if (code == ERROR_ACCESS_DENIED) {
    failure = DeviceFailure::AccessDenied;
  }
  SetLastDeviceError({failure, static_cast<std::uint32_t>(code)});
}

}  // namespace

VolumeHandle Win32VolumePort::OpenVolume(const char* devicePath) {
  HANDLE h = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    NoteLastError();
    return kNoHandle;
  }
  return h;
}

bool Win32VolumePort::PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                                  std::uint32_t outSize) {
  if (handle == kNoHandle) {
    SetLastError(ERROR_INVALID_HANDLE);
    NoteLastError();
    return false;
  }
  ScsiPassThroughHeader asked{};
  const bool whole = inSize >= sizeof asked && outSize >= sizeof asked;
  if (whole) std::memcpy(&asked, buffer, sizeof asked);
  DWORD returned = 0;  // received and not used
  if (!DeviceIoControl(static_cast<HANDLE>(handle), IOCTL_SCSI_PASS_THROUGH, buffer, inSize, buffer,
                       outSize, &returned, nullptr)) {
    NoteLastError();
    return false;
  }
  ScsiPassThroughHeader answered{};
  if (whole) std::memcpy(&answered, buffer, sizeof answered);
  if (whole && NothingCameBack(asked, answered)) {
    SetLastError(ERROR_IO_DEVICE);  // as Windows itself fails a request the device left unanswered
    NoteLastError();
    return false;
  }
  return true;
}

void Win32VolumePort::CloseVolume(VolumeHandle handle) {
  if (handle != kNoHandle) CloseHandle(static_cast<HANDLE>(handle));
}

}  // namespace zul
