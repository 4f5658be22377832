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
  for (char letter = 'D'; letter <= 'Z'; ++letter) letters.push_back(DriveLetterCandidate(letter));
  return letters;
}

DeviceCandidate DriveLetterCandidate(char letter) {
  return {std::string("\\\\.\\") + letter + ':', std::string{letter, ':'}};
}

}  // namespace zul
