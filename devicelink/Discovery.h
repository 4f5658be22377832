#pragma once
// Finding the camera among the drive letters D: to Z:.

#include "DeviceSession.h"

namespace zul {

// Closes the handle the session holds, then tries D: to Z: in order: open the
// volume, INQUIRY, and for a drive whose INQUIRY data byte 3 is 0x01 the
// identification request. The first drive that answers AA 55 (bytes 0-1) or
// "RIZ" (bytes 9-11) is the camera: its handle and path go into the session and
// the result is true. Otherwise false, no handle held, devicePath unchanged.
// Every handle opened for another drive is closed before the next letter.
bool DiscoverCamera(DeviceSession& session);

// The same step for one letter only (D to Z; any other letter finds nothing):
// closes the handle the session holds, then opens, asks and identifies that
// drive alone. Same result and session contract as DiscoverCamera.
bool DiscoverCameraAt(DeviceSession& session, char letter);

// "\\.\" + letter + ":"
void FormDevicePath(char letter, char (&path)[10]);

}  // namespace zul
