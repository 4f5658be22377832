#include "devicelink/Discovery.h"

#include <cctype>
#include <cstring>

#include "devicelink/CommandCatalogue.h"
#include "devicelink/Transfer.h"

namespace zul {
namespace {

// Clears what the system and the device can see of the buffer for a request of
// n data bytes: the areas beyond are never sent, written or read.
void ClearFor(PassThroughBuffer& buffer, std::uint32_t n) {
  std::memset(&buffer, 0, OutputSizeFor(n));
}

// INQUIRY on a freshly opened volume that is not yet the session's.
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
  const std::uint8_t identify[4] = {kSignature[0], kSignature[1], kSignature[2], kIdentifyMarker};
  std::memcpy(buffer.header.Cdb, identify, sizeof identify);
  if (!RawTransfer(session, buffer, kIdentifyReplyLength)) return false;
  const std::uint8_t* d = buffer.data;
  return (d[0] == 0xAA && d[1] == 0x55) || (d[9] == 'R' && d[10] == 'I' && d[11] == 'Z');
}

// The identification steps on a device opened for it; see IdentifyCameraOn.
bool Identify(DeviceSession& session, const DeviceCandidate& candidate, VolumeHandle h,
              PassThroughBuffer& buffer) {
  if (!PassesInquiry(session.port, h, buffer)) {
    session.port.CloseVolume(h);
    return false;
  }
  session.handle = h;
  if (AnswersIdentification(session, buffer)) {
    session.devicePath = candidate.path;
    session.deviceName = candidate.name;
    return true;
  }
  session.ReleaseHandle();
  return false;
}

// One device of the scan. The session holds no handle on entry; on success it
// holds the camera's, on failure none again.
bool TryCandidate(DeviceSession& session, const DeviceCandidate& candidate,
                  PassThroughBuffer& buffer, ScanReport* report) {
  const VolumeHandle h = OpenCandidate(session.port, candidate, report);
  return h != kNoHandle && Identify(session, candidate, h, buffer);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

VolumeHandle OpenCandidate(DevicePort& port, const DeviceCandidate& candidate, ScanReport* report) {
  const VolumeHandle h = port.OpenVolume(candidate.path.c_str());
  if (h == kNoHandle && report && LastDeviceError().failure == DeviceFailure::AccessDenied) {
    report->denied.push_back(candidate.name);
  }
  return h;
}

bool IdentifyCameraOn(DeviceSession& session, const DeviceCandidate& candidate,
                      VolumeHandle handle) {
  session.ReleaseHandle();
  PassThroughBuffer buffer;
  return Identify(session, candidate, handle, buffer);
}

bool DiscoverCamera(DeviceSession& session, ScanReport* report) {
  session.ReleaseHandle();
  PassThroughBuffer buffer;  // reused for every device; each request clears its part first
  for (const DeviceCandidate& candidate : session.port.Candidates()) {
    if (TryCandidate(session, candidate, buffer, report)) return true;
  }
  return false;
}

bool DiscoverCameraAt(DeviceSession& session, const DeviceCandidate& candidate,
                      ScanReport* report) {
  session.ReleaseHandle();
  PassThroughBuffer buffer;
  return TryCandidate(session, candidate, buffer, report);
}

bool DiscoverCameraNamed(DeviceSession& session, std::string_view name, ScanReport* report) {
  session.ReleaseHandle();
  const std::optional<DeviceCandidate> candidate = FindCandidate(session.port, name);
  return candidate && DiscoverCameraAt(session, *candidate, report);
}

std::optional<DeviceCandidate> FindCandidate(DevicePort& port, std::string_view name) {
  for (const DeviceCandidate& c : port.Candidates()) {
    const bool letterOnly = name.size() == 1 && c.name.size() == 2 && c.name[1] == ':';
    if (SameName(c.name, name) || SameName(c.path, name) ||
        (letterOnly && SameName(c.name.substr(0, 1), name))) {
      return c;
    }
  }
  return std::nullopt;
}

}  // namespace zul
