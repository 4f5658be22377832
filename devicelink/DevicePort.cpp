#include "devicelink/DevicePort.h"

namespace zul {
namespace {

thread_local DeviceError lastError;

}  // namespace

DeviceError LastDeviceError() {
  return lastError;
}

void SetLastDeviceError(DeviceError error) {
  lastError = error;
}

std::vector<DeviceCandidate> DriveLetterCandidates() {
  std::vector<DeviceCandidate> letters;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    letters.push_back({std::string("\\\\.\\") + letter + ':', std::string{letter, ':'}});
  }
  return letters;
}

}  // namespace zul
