#include "cameradata/CameraOperations.h"

#include <algorithm>
#include <initializer_list>

#include "devicelink/Command.h"

namespace zul {
namespace {

constexpr std::uint8_t kVerdictUser = 1;
constexpr std::uint8_t kVerdictAdministrator = 2;

// Starts an exchange on the camera the session holds: false when there is none.
bool Start(DeviceSession& session) {
  session.failedTransfers = 0;
  session.incompleteTransfers = 0;
  return session.handle != kNoHandle;
}

Exchange Outcome(const DeviceSession& session) {
  return session.failedTransfers == 0 ? Exchange::Done : Exchange::NoAnswer;
}

// Sends code with the given argument bytes; false when the transfer failed.
bool Send(DeviceSession& session, std::uint32_t code, std::initializer_list<int> args) {
  ReplyBlock block{};
  std::size_t i = 0;
  for (int a : args) block[i++] = static_cast<std::uint8_t>(a);
  return IssueCommand(session, code, block);
}

}  // namespace

LoginResult LogIn(DeviceSession& session, std::string_view password) {
  if (!Start(session)) return {LoginVerdict::NoCamera, 0};
  auto lastReply = WriteTextField(session, TEXT_LOGIN_PASSWORD, password);
  ReplyBlock block{};
  std::copy(lastReply.begin(), lastReply.end(), block.begin());
  // The check carries the reply to the last chunk back unchanged. It is sent
  // only when every chunk went through whole: a check of a password the
  // camera did not take in full would cost the operator an attempt.
  const bool answered = session.failedTransfers == 0 && session.incompleteTransfers == 0 &&
                        IssueCommand(session, CMD_CHECK_PASSWORD, block) &&
                        session.failedTransfers == 0;
  const std::uint8_t verdict = block[0];
  const std::uint8_t count = block[1];
  if (!answered) return {LoginVerdict::NoAnswer, 0};
  if (verdict == kVerdictUser) return {LoginVerdict::User, 0};
  if (verdict == kVerdictAdministrator) return {LoginVerdict::Administrator, 0};
  return {count >= kLoginChances ? LoginVerdict::Locked : LoginVerdict::Wrong, count};
}

Exchange SetClock(DeviceSession& session, const CameraClock& t) {
  if (!Start(session)) return Exchange::NoCamera;
  if (Send(session, CMD_SET_DATE, {t.year % 2000, t.month, t.day})) {
    Send(session, CMD_SET_TIME, {t.hour, t.minute, t.second});
  }
  return Outcome(session);
}

Exchange SetSetting(DeviceSession& session, std::uint32_t code, int value) {
  if (!Start(session)) return Exchange::NoCamera;
  Send(session, code, {value});
  return Outcome(session);
}

Exchange WriteTexts(DeviceSession& session, std::span<const TextToWrite> texts) {
  if (!Start(session)) return Exchange::NoCamera;
  for (const TextToWrite& t : texts) {
    WriteTextField(session, t.kind, t.text);
  }
  return Outcome(session);
}

Exchange AllowDiskAccess(DeviceSession& session) {
  if (!Start(session)) return Exchange::NoCamera;
  Send(session, CMD_ALLOW_DISK_ACCESS, {});
  return Outcome(session);
}

void NoteTextsWritten(CameraStatus& status, std::span<const TextToWrite> texts) {
  for (const TextToWrite& t : texts) {
    if (std::string* text = TextOf(status, t.kind)) *text = t.text;
  }
}

void NoteSettingMade(CameraStatus& status, std::uint32_t code, int value) {
  if (code == CMD_SET_RESOLUTION) status.resolutionIndex = value;
  if (code == CMD_SET_LOOP_RECORDING) status.loopRecordingIndex = value;
}

}  // namespace zul
