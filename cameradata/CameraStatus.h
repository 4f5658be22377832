#pragma once
// The main window's model of the camera, filled from the camera by
// ReadCameraStatus and shown by the window's panel refresh.

#include <string>

#include "cameradata/TextField.h"
#include "devicelink/DeviceSession.h"

namespace zul {

// What firmwareText starts with; the camera's version text follows.
inline constexpr char kFirmwarePrefix[] = "Firmware Version:   ";

struct CameraStatus {
  int resolutionIndex = 0;     // 0 "1080P 30FPS", 1 "720P 30FPS"; stored as the camera sends it
  int loopRecordingIndex = 0;  // 0 "No", 1 "Yes"
  int query0D = 0;
  bool connected = false;      // the last readout answered in full
  bool administrator = false;  // the login is the administrator's
  std::string firmwareText;
  std::string officerText;
  std::string serialNumber;  // at most 8 characters
  std::string serialLine;    // "Camera Serial Number: " + serialNumber
  std::string departmentText;
  std::string additionalText;
  std::string hintText;
  bool loggedIn = false;  // the camera accepted a password
};

// The readout's text of a kind; nullptr for the passwords, which are never read.
const std::string* TextOf(const CameraStatus& status, TextKind kind);
std::string* TextOf(CameraStatus& status, TextKind kind);

// Runs DiscoverCamera and the status queries in order, filling status as it
// goes. Returns true when every step up to the serial number succeeded; a
// failed step stops the readout and leaves the later members as they were.
// Sets loggedIn and administrator only to true, never touches connected.
// After a failed step the session holds no handle.
bool ReadCameraStatus(DeviceSession& session, CameraStatus& status);

// The same readout without the scan, on the camera the session already holds
// (found at a letter of the caller's choosing).
// serialNumber: the camera's, read already on this session; the readout then
// does not ask for it again.
bool ReadHeldCameraStatus(DeviceSession& session, CameraStatus& status,
                          const std::string* serialNumber = nullptr);

// The serial number alone (the readout's last query before the login state),
// on the camera the session holds. False when the transfer failed; serial is
// then left as it was.
bool ReadSerialNumber(DeviceSession& session, std::string& serial);

}  // namespace zul
