#include "Win32VolumePort.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

namespace zul {

VolumeHandle Win32VolumePort::OpenVolume(const char* devicePath) {
  HANDLE h = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  return h == INVALID_HANDLE_VALUE ? kNoHandle : h;
}

bool Win32VolumePort::PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                                  std::uint32_t outSize) {
  if (handle == kNoHandle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  DWORD returned = 0;  // received and not used
  const BOOL ok = DeviceIoControl(static_cast<HANDLE>(handle), IOCTL_SCSI_PASS_THROUGH, buffer,
                                  inSize, buffer, outSize, &returned, nullptr);
  if (!ok) (void)GetLastError();  // read and discarded: the caller learns only the failure
  return ok != FALSE;
}

void Win32VolumePort::CloseVolume(VolumeHandle handle) {
  if (handle != kNoHandle) CloseHandle(static_cast<HANDLE>(handle));
}

}  // namespace zul
