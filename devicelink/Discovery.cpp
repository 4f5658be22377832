#include "Discovery.h"

#include <cstring>

#include "CommandCatalogue.h"
#include "Transfer.h"

namespace zul {

void FormDevicePath(char letter, char (&path)[10]) {
  std::memset(path, 0, sizeof path);
  const char form[] = {'\\', '\\', '.', '\\', letter, ':'};
  std::memcpy(path, form, sizeof form);
}

namespace {

// INQUIRY on a freshly opened volume that is not yet the session's.
// Clears what the system and the device can see of the buffer for a request of
// n data bytes: the areas beyond are never sent, written or read.
void ClearFor(PassThroughBuffer& buffer, std::uint32_t n) {
  std::memset(&buffer, 0, OutputSizeFor(n));
}

bool PassesInquiry(DevicePort& port, VolumeHandle handle, PassThroughBuffer& buffer) {
  ClearFor(buffer, kInquiryLength);
  FillPassThroughHeader(buffer, 6, kInquiryLength);
  const std::uint8_t inquiry[6] = {kInquiryOpcode, 0x00, 0x00, 0x00, kInquiryLength, 0x00};
  std::memcpy(buffer.header.Cdb, inquiry, sizeof inquiry);
  if (!port.PassThrough(handle, &buffer, kHeaderLength, OutputSizeFor(kInquiryLength))) {
    return false;
  }
  return buffer.data[3] == 0x01;  // response data format byte
}

bool AnswersIdentification(DeviceSession& session, PassThroughBuffer& buffer) {
  ClearFor(buffer, kIdentifyReplyLength);
  const std::uint8_t identify[4] = {0xFA, 0x55, 0x66, kIdentifyMarker};
  std::memcpy(buffer.header.Cdb, identify, sizeof identify);
  if (!RawTransfer(session, buffer, kIdentifyReplyLength)) return false;
  const std::uint8_t* d = buffer.data;
  return (d[0] == 0xAA && d[1] == 0x55) || (d[9] == 'R' && d[10] == 'I' && d[11] == 'Z');
}

// One letter of the scan. The session holds no handle on entry; on success it
// holds the camera's, on failure none again.
bool TryLetter(DeviceSession& session, char letter, PassThroughBuffer& buffer) {
  char path[10];
  FormDevicePath(letter, path);
  VolumeHandle h = session.port.OpenVolume(path);
  if (h == kNoHandle) return false;
  if (!PassesInquiry(session.port, h, buffer)) {
    session.port.CloseVolume(h);
    return false;
  }
  session.handle = h;
  if (AnswersIdentification(session, buffer)) {
    std::memcpy(session.devicePath, path, sizeof path);
    return true;
  }
  session.ReleaseHandle();
  return false;
}

}  // namespace

bool DiscoverCamera(DeviceSession& session) {
  session.ReleaseHandle();
  PassThroughBuffer buffer;  // reused for every letter; each request clears its part first
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    if (TryLetter(session, letter, buffer)) return true;
  }
  return false;
}

bool DiscoverCameraAt(DeviceSession& session, char letter) {
  session.ReleaseHandle();
  if (letter < 'D' || letter > 'Z') return false;
  PassThroughBuffer buffer;
  return TryLetter(session, letter, buffer);
}

}  // namespace zul
