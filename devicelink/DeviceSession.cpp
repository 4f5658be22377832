#include "devicelink/DeviceSession.h"

namespace zul {

void DeviceSession::ReleaseHandle() {
  if (handle != kNoHandle) {
    port.CloseVolume(handle);
    handle = kNoHandle;
  }
}

}  // namespace zul
