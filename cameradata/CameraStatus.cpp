#include "cameradata/CameraStatus.h"

#include <cstring>
#include <utility>

#include "cameradata/TextField.h"
#include "devicelink/Command.h"
#include "devicelink/Discovery.h"

namespace zul {
namespace {

// Reply bytes 0 to 7 as text, up to the first zero byte.
std::string ReplyText(const ReplyBlock& block) {
  const char* bytes = reinterpret_cast<const char*>(block.data());
  return std::string(bytes, strnlen(bytes, 8));
}

// Sends code with all-zero arguments; the reply is left in block.
bool Query(DeviceSession& session, std::uint32_t code, ReplyBlock& block) {
  block.fill(0);
  return IssueCommand(session, code, block);
}

}  // namespace

bool ReadCameraStatus(DeviceSession& session, CameraStatus& status) {
  if (!DiscoverCamera(session)) return false;
  if (ReadHeldCameraStatus(session, status)) return true;
  // A camera that could not be read is let go: the handle may hold a device
  // that has left the bus, and the next action scans again anyway.
  session.ReleaseHandle();
  return false;
}

bool ReadHeldCameraStatus(DeviceSession& session, CameraStatus& status,
                          const std::string* serialNumber) {
  ReplyBlock block{};
  std::string firmware = kFirmwarePrefix;
  for (std::uint32_t code :
       {CMD_GET_FIRMWARE_PART1, CMD_GET_FIRMWARE_PART2, CMD_GET_FIRMWARE_PART3}) {
    if (!Query(session, code, block)) return false;
    firmware += ReplyText(block);  // parts are joined as they come, no separator
  }
  status.firmwareText = firmware;

  if (!Query(session, CMD_QUERY_28, block)) return false;  // only success counts

  const struct {
    TextKind kind;
    std::string CameraStatus::*member;
  } texts[] = {{TEXT_OFFICER, &CameraStatus::officerText},
               {TEXT_DEPARTMENT, &CameraStatus::departmentText},
               {TEXT_ADDITIONAL, &CameraStatus::additionalText},
               {TEXT_HINT, &CameraStatus::hintText}};
  for (const auto& t : texts) {
    std::string text;
    if (!ReadTextField(session, t.kind, text)) return false;
    status.*t.member = text;
  }

  const struct {
    std::uint32_t code;
    int CameraStatus::*member;
  } settings[] = {{CMD_GET_RESOLUTION, &CameraStatus::resolutionIndex},
                  {CMD_GET_LOOP_RECORDING, &CameraStatus::loopRecordingIndex},
                  {CMD_QUERY_0D, &CameraStatus::query0D}};
  for (const auto& s : settings) {
    if (!Query(session, s.code, block)) return false;
    status.*s.member = block[0];  // no range check: the panel uses it as an index
  }

  if (serialNumber) {
    status.serialNumber = *serialNumber;
  } else if (!ReadSerialNumber(session, status.serialNumber)) {
    return false;
  }
  status.serialLine = "Camera Serial Number: " + status.serialNumber;

  // A failed transfer leaves the block all zero, which sets no flag; the
  // readout still counts as complete.
  Query(session, CMD_GET_LOGIN_STATE, block);
  if (block[0] == 1) status.loggedIn = true;
  if (block[1] == 2) status.administrator = true;
  return true;
}

bool ReadSerialNumber(DeviceSession& session, std::string& serial) {
  ReplyBlock block{};
  if (!Query(session, CMD_GET_SERIAL_NUMBER, block)) return false;
  serial = ReplyText(block);
  return true;
}

const std::string* TextOf(const CameraStatus& status, TextKind kind) {
  switch (kind) {
    case TEXT_OFFICER:
      return &status.officerText;
    case TEXT_DEPARTMENT:
      return &status.departmentText;
    case TEXT_ADDITIONAL:
      return &status.additionalText;
    case TEXT_HINT:
      return &status.hintText;
    case TEXT_LOGIN_PASSWORD:
    case TEXT_NEW_PASSWORD:
      break;
  }
  return nullptr;
}

std::string* TextOf(CameraStatus& status, TextKind kind) {
  return const_cast<std::string*>(TextOf(std::as_const(status), kind));
}

}  // namespace zul
