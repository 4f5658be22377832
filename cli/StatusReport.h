#pragma once
// The camera's readout as zulctl prints it: readable lines, or one JSON object.

#include <optional>
#include <string>

#include "cameradata/CameraStatus.h"
#include "cli/StorageLocator.h"

namespace zul::cli {

struct CameraReport {
  std::string devicePath;  // "\\.\F:"
  std::string driveName;   // "F:"
  CameraStatus status;
  std::optional<StorageInfo> storage;  // where the platform knows more (Linux)
};

// The version the camera reported, without the readout's caption.
std::string FirmwareVersion(const CameraStatus& status);

// Keys: devicePath, drive, firmware, serialNumber, officer, department,
// additional, hint, resolution, loopRecording, query0D, loggedIn,
// administrator; then, where the report has storage, blockDevice and
// mountPoints. The camera's 8-bit texts are given as the characters of the
// same numbers (U+0000 to U+00FF).
std::string StatusJson(const CameraReport& report);

// One "Name: value" line each, the camera's texts as ShownText gives them.
std::string StatusText(const CameraReport& report);

// The same on one line, "Name: value; Name: value", without the drive and the
// serial number (the line of zulctl --all gives those in columns of their own).
std::string StatusLine(const CameraReport& report);

// Bytes as they may go to a terminal: control characters (C0, DEL, C1) as \xNN.
std::string Printable(const std::string& bytes);

// A camera text as zulctl writes it: Printable, in UTF-8. The camera's texts
// are 8-bit, each byte the character of the same number (Latin-1), as in the
// scenario and state files and in JSON.
std::string ShownText(const std::string& cameraText);

}  // namespace zul::cli
