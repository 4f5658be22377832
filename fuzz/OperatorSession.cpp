#include "fuzz/OperatorSession.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "cameradata/CameraOperations.h"
#include "devicelink/CommandCatalogue.h"
#include "cameradata/CameraStatus.h"
#include "cameradata/OperatorTexts.h"
#include "cameradata/TextField.h"
#include "devicelink/Command.h"
#include "devicelink/Discovery.h"
#include "fuzz/Check.h"

namespace zul::fuzz {
namespace {

constexpr std::size_t kMaxPassword = 10;
constexpr std::size_t kMaxHint = 48;
constexpr char kFirmwarePrefix[] = "Firmware Version:   ";
constexpr char kSerialPrefix[] = "Camera Serial Number: ";

using Args = std::array<std::uint8_t, 8>;

// The port's log from a mark on, read in order by the models below.
class Trail {
 public:
  Trail(const CheckedPort& port, std::size_t from) : events_(port.Events()), at_(from) {}

  const PortEvent& Next(const char* what) {
    FUZZ_CHECK(at_ < events_.size(), what);
    return events_[at_++];
  }
  bool AtEnd() const { return at_ == events_.size(); }

  // The next event must be the vendor command code with args, on handle.
  // Its data is the reply as the caller sees it (zero where nothing arrived).
  const PortEvent& Vendor(VolumeHandle handle, std::uint32_t code, const Args& args) {
    const PortEvent& e = Next("a vendor command is missing");
    FUZZ_CHECK(e.kind == PortEvent::Request && e.handle == handle,
               "vendor command on another handle than the session's");
    FUZZ_CHECK(e.cdbLength == 16 && e.expected == 8, "vendor command block or reply length");
    const std::uint8_t head[8] = {0xFA,
                                  0x55,
                                  0x66,
                                  kVendorMarker,
                                  std::uint8_t(code >> 24),
                                  std::uint8_t(code >> 16),
                                  std::uint8_t(code >> 8),
                                  std::uint8_t(code)};
    FUZZ_CHECK(std::memcmp(e.cdb, head, 8) == 0, "another command than the protocol's next one");
    FUZZ_CHECK(std::memcmp(e.cdb + 8, args.data(), 8) == 0, "vendor command arguments");
    return e;
  }

 private:
  const std::vector<PortEvent>& events_;
  std::size_t at_;
};

Args ReplyOf(const PortEvent& e) {
  Args a{};
  std::copy_n(e.data.begin(), 8, a.begin());  // a failed request arrived as all zero
  return a;
}

std::string TextOf(const std::uint8_t* bytes, std::size_t max) {
  const char* p = reinterpret_cast<const char*>(bytes);
  return std::string(p, strnlen(p, max));
}

struct ScanOutcome {
  char letter = 0;  // 0: no camera
  VolumeHandle handle = kNoHandle;
};

// A scan as the protocol runs it: close what is held, then D: to Z: in order,
// INQUIRY, identification for response format 1, every other drive closed.
ScanOutcome ModelScan(Trail& t, VolumeHandle held) {
  if (held != kNoHandle) {
    const PortEvent& e = t.Next("a scan first closes the handle still held");
    FUZZ_CHECK(e.kind == PortEvent::Close && e.handle == held,
               "a scan first closes the handle still held");
  }
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    const PortEvent& open = t.Next("a scan tries every letter up to Z");
    FUZZ_CHECK(open.kind == PortEvent::Open && open.letter == letter,
               "a scan opens D: to Z: in order");
    if (open.handle == kNoHandle) continue;
    const PortEvent& inquiry = t.Next("INQUIRY after an open");
    FUZZ_CHECK(inquiry.kind == PortEvent::Request && inquiry.handle == open.handle &&
                   inquiry.cdbLength == 6 && inquiry.cdb[0] == 0x12 && inquiry.cdb[4] == 36 &&
                   inquiry.expected == 36,
               "INQUIRY of 36 bytes on the new handle");
    if (inquiry.ok && inquiry.data[3] == 0x01) {
      const PortEvent& id = t.Next("identification after a format-1 INQUIRY");
      const std::uint8_t block[16] = {kSignature[0], kSignature[1], kSignature[2], kIdentifyMarker};
      FUZZ_CHECK(id.kind == PortEvent::Request && id.handle == open.handle && id.cdbLength == 16 &&
                     std::memcmp(id.cdb, block, 16) == 0 && id.expected == 16,
                 "identification request of 16 bytes on the new handle");
      const auto& d = id.data;
      if (id.ok &&
          ((d[0] == 0xAA && d[1] == 0x55) || (d[9] == 'R' && d[10] == 'I' && d[11] == 'Z'))) {
        return {letter, open.handle};
      }
    }
    const PortEvent& close = t.Next("a drive that is not the camera is closed");
    FUZZ_CHECK(close.kind == PortEvent::Close && close.handle == open.handle,
               "a drive that is not the camera is closed before the next letter");
  }
  return {};
}

std::optional<std::string> ModelReadText(Trail& t, VolumeHandle h, std::uint8_t kind) {
  std::uint8_t text[40] = {};
  for (std::uint8_t i = 0; i < 8; ++i) {
    const PortEvent& e = t.Vendor(h, CMD_READ_TEXT_CHUNK, {kind, i});
    if (!e.ok) return std::nullopt;
    std::copy_n(e.data.begin() + 3, 5, text + 5 * i);
    if (e.data[2] < 5 * (i + 1)) break;
  }
  return TextOf(text, sizeof text);
}

// whole: set to false when a chunk did not come back whole.
Args ModelWriteText(Trail& t, VolumeHandle h, std::uint8_t kind, std::string_view text,
                    bool* whole = nullptr) {
  const std::size_t n = text.size();
  Args reply{};
  for (std::uint8_t i = 0; i < 8; ++i) {
    Args chunk{kind, i, std::uint8_t(n > 5u * (i + 1) ? 5 : n % 5)};
    for (std::size_t j = 0; j < 5 && 5 * i + j < n; ++j) chunk[3 + j] = text[5 * i + j];
    const PortEvent& e = t.Vendor(h, CMD_WRITE_TEXT_CHUNK, chunk);
    if (whole && !e.whole) *whole = false;
    reply = ReplyOf(e);
    if (reply[2] < 5) break;
  }
  return reply;
}

// The login as the protocol runs it: the password in chunks, then, only when
// every chunk came back whole, the check with the reply to the last chunk.
LoginResult ModelLogin(Trail& t, VolumeHandle h, std::string_view password) {
  if (h == kNoHandle) return {LoginVerdict::NoCamera, 0};
  bool whole = true;
  const Args written = ModelWriteText(t, h, TEXT_LOGIN_PASSWORD, password, &whole);
  if (!whole) return {LoginVerdict::NoAnswer, 0};
  const PortEvent& e = t.Vendor(h, CMD_CHECK_PASSWORD, written);
  if (!e.ok) return {LoginVerdict::NoAnswer, 0};
  const Args verdict = ReplyOf(e);
  if (verdict[0] == 1) return {LoginVerdict::User, 0};
  if (verdict[0] == 2) return {LoginVerdict::Administrator, 0};
  return {verdict[1] >= 6 ? LoginVerdict::Locked : LoginVerdict::Wrong, verdict[1]};
}

// The readout replayed on a copy of the status as it was before: a step that
// failed leaves every later member as in that copy.
// The readout's queries on the camera's handle h, in order; false at the
// first that failed.
bool ModelHeldReadout(Trail& t, VolumeHandle h, CameraStatus& s) {
  std::string firmware = kFirmwarePrefix;
  for (std::uint32_t code :
       {CMD_GET_FIRMWARE_PART1, CMD_GET_FIRMWARE_PART2, CMD_GET_FIRMWARE_PART3}) {
    const PortEvent& e = t.Vendor(h, code, {});
    if (!e.ok) return false;
    firmware += TextOf(e.data.data(), 8);
  }
  s.firmwareText = firmware;
  if (!t.Vendor(h, CMD_QUERY_28, {}).ok) return false;
  const std::pair<TextKind, std::string CameraStatus::*> texts[] = {
      {TEXT_OFFICER, &CameraStatus::officerText},
      {TEXT_DEPARTMENT, &CameraStatus::departmentText},
      {TEXT_ADDITIONAL, &CameraStatus::additionalText},
      {TEXT_HINT, &CameraStatus::hintText}};
  for (const auto& [kind, member] : texts) {
    const auto text = ModelReadText(t, h, kind);
    if (!text) return false;
    s.*member = *text;
  }
  const std::pair<std::uint32_t, int CameraStatus::*> settings[] = {
      {CMD_GET_RESOLUTION, &CameraStatus::resolutionIndex},
      {CMD_GET_LOOP_RECORDING, &CameraStatus::loopRecordingIndex},
      {CMD_QUERY_0D, &CameraStatus::query0D}};
  for (const auto& [code, member] : settings) {
    const PortEvent& e = t.Vendor(h, code, {});
    if (!e.ok) return false;
    s.*member = e.data[0];
  }
  const PortEvent& serial = t.Vendor(h, CMD_GET_SERIAL_NUMBER, {});
  if (!serial.ok) return false;
  s.serialNumber = TextOf(serial.data.data(), 8);
  s.serialLine = kSerialPrefix + s.serialNumber;
  const PortEvent& login = t.Vendor(h, CMD_GET_LOGIN_STATE, {});  // a failure is not looked at
  if (login.data[0] == 1) s.loggedIn = true;
  if (login.data[1] == 2) s.administrator = true;
  return true;
}

bool ModelReadout(Trail& t, VolumeHandle held, CameraStatus& s) {
  const ScanOutcome scan = ModelScan(t, held);
  if (!scan.letter) return false;
  if (ModelHeldReadout(t, scan.handle, s)) return true;
  // A camera that could not be read is let go.
  const PortEvent& e = t.Next("the handle of a camera that could not be read stays open");
  FUZZ_CHECK(e.kind == PortEvent::Close && e.handle == scan.handle,
             "the handle of a camera that could not be read is closed next");
  return false;
}

void ExpectSame(const CameraStatus& want, const CameraStatus& got) {
  FUZZ_CHECK(got.firmwareText == want.firmwareText, "firmwareText");
  FUZZ_CHECK(got.officerText == want.officerText, "officerText");
  FUZZ_CHECK(got.departmentText == want.departmentText, "departmentText");
  FUZZ_CHECK(got.additionalText == want.additionalText, "additionalText");
  FUZZ_CHECK(got.hintText == want.hintText, "hintText");
  FUZZ_CHECK(got.resolutionIndex == want.resolutionIndex, "resolutionIndex");
  FUZZ_CHECK(got.loopRecordingIndex == want.loopRecordingIndex, "loopRecordingIndex");
  FUZZ_CHECK(got.query0D == want.query0D, "query0D");
  FUZZ_CHECK(got.serialNumber == want.serialNumber, "serialNumber");
  FUZZ_CHECK(got.serialLine == want.serialLine, "serialLine");
  FUZZ_CHECK(got.loggedIn == want.loggedIn, "loggedIn");
  FUZZ_CHECK(got.administrator == want.administrator, "administrator");
  FUZZ_CHECK(got.connected == want.connected, "connected");
}

// At most one handle open after a scan, and it is the session's.
void ExpectOneHandleAtMost(const CheckedPort& port, const DeviceSession& session) {
  const auto& open = port.OpenHandles();
  FUZZ_CHECK(open.size() <= 1, "more than one handle open after a scan");
  FUZZ_CHECK(open.size() == (session.handle != kNoHandle ? 1u : 0u) &&
                 (session.handle == kNoHandle || open.count(session.handle)),
             "the open handle is the session's");
}

void CheckedScan(CheckedPort& port, DeviceSession& session) {
  const std::size_t mark = port.Events().size();
  const VolumeHandle held = session.handle;
  const std::string pathBefore = session.devicePath;

  const bool found = DiscoverCamera(session);

  Trail t(port, mark);
  const ScanOutcome want = ModelScan(t, held);
  FUZZ_CHECK(t.AtEnd(), "a scan sent more than the protocol asks");
  FUZZ_CHECK(found == (want.letter != 0), "scan result");
  FUZZ_CHECK(session.handle == want.handle, "scan keeps the camera's handle, or none");
  if (found) {
    FUZZ_CHECK(session.devicePath == std::string("\\\\.\\") + want.letter + ":", "devicePath");
  } else {
    FUZZ_CHECK(session.devicePath == pathBefore, "a failed scan keeps devicePath");
  }
  ExpectOneHandleAtMost(port, session);
}

void CheckedReadout(CheckedPort& port, DeviceSession& session, CameraStatus& status) {
  const std::size_t mark = port.Events().size();
  const VolumeHandle held = session.handle;
  const CameraStatus before = status;

  const bool ok = ReadCameraStatus(session, status);

  Trail t(port, mark);
  CameraStatus want = before;
  FUZZ_CHECK(ModelReadout(t, held, want) == ok, "readout result");
  FUZZ_CHECK(t.AtEnd(), "the readout sent more than the protocol asks");
  FUZZ_CHECK(ok || session.handle == kNoHandle, "a failed readout leaves no handle held");
  ExpectSame(want, status);
  ExpectOneHandleAtMost(port, session);

  // What the window relies on, whatever the camera answered.
  FUZZ_CHECK(!before.loggedIn || status.loggedIn, "the readout cleared loggedIn");
  FUZZ_CHECK(!before.administrator || status.administrator, "the readout cleared administrator");
  FUZZ_CHECK(status.firmwareText.size() <= 44, "firmwareText over 44 characters");
  FUZZ_CHECK(status.serialNumber.size() <= 8, "serialNumber over 8 characters");
  for (const std::string* text :
       {&status.officerText, &status.departmentText, &status.additionalText, &status.hintText}) {
    FUZZ_CHECK(text->size() <= 40, "a text read over 40 characters");
  }
}

void CheckedReadText(CheckedPort& port, DeviceSession& session, TextKind kind) {
  const std::size_t mark = port.Events().size();
  const std::string untouched = "(before)";
  std::string text = untouched;

  const bool ok = ReadTextField(session, kind, text);

  Trail t(port, mark);
  const auto want = ModelReadText(t, session.handle, kind);
  FUZZ_CHECK(t.AtEnd(), "a text read sent more than the protocol asks");
  FUZZ_CHECK(ok == want.has_value(), "text read result");
  FUZZ_CHECK(text == (ok ? *want : untouched), "text read, or left as it was after a failure");
  FUZZ_CHECK(text.size() <= 40 || !ok, "a text read over 40 characters");
}

Args CheckedWriteText(CheckedPort& port, DeviceSession& session, TextKind kind,
                      std::string_view text) {
  const std::size_t mark = port.Events().size();
  const Args reply = WriteTextField(session, kind, text);
  Trail t(port, mark);
  FUZZ_CHECK(ModelWriteText(t, session.handle, kind, text) == reply,
             "a write returns the reply to its last chunk");
  FUZZ_CHECK(t.AtEnd(), "a text write sent more than the protocol asks");
  return reply;
}

// The login exchange as the window runs it, down to the message it formats.
void CheckedLogin(CheckedPort& port, DeviceSession& session, const SessionConfig& config,
                  CameraStatus& status) {
  CheckedScan(port, session);
  const std::size_t mark = port.Events().size();
  const LoginResult result = LogIn(session, config.password);
  Trail t(port, mark);
  const LoginResult want = ModelLogin(t, session.handle, config.password);
  FUZZ_CHECK(t.AtEnd(), "the login sent more than the protocol asks");
  FUZZ_CHECK(result.verdict == want.verdict && result.wrongAttempts == want.wrongAttempts,
             "login verdict");

  status.loggedIn = result.LoggedIn();
  status.administrator = result.verdict == LoginVerdict::Administrator;
  if (!status.loggedIn) {
    if (result.verdict == LoginVerdict::Wrong) {
      const std::string message = WrongPasswordText(result.wrongAttempts, "\r\n");
      FUZZ_CHECK(message.find("You have ") != std::string::npos && result.wrongAttempts < 6,
                 "chances remaining");
    }
    return;
  }
  CheckedReadout(port, session, status);
  FUZZ_CHECK(status.loggedIn, "a readout after an accepted password keeps loggedIn");
  // Hand the drive back, as the release does: open the disk, close the handle.
  AllowDiskAccess(session);
  session.ReleaseHandle();
  FUZZ_CHECK(port.OpenHandles().empty(), "a handle left open after the drive was released");
}

}  // namespace

SessionConfig SessionConfig::Decode(const std::uint8_t* data, std::size_t size) {
  std::uint8_t raw[kConfigSize] = {};
  std::copy_n(data, std::min(size, kConfigSize), raw);
  SessionConfig c;
  c.loggedIn = raw[0] & 1;
  c.administrator = raw[0] & 2;
  c.connected = raw[0] & 4;
  // The window's fields hold no zero character.
  auto text = [&](std::size_t at, std::size_t n) {
    std::string s(reinterpret_cast<const char*>(raw + at), n);
    std::replace(s.begin(), s.end(), '\0', '0');
    return s;
  };
  c.password = text(2, 4 + raw[1] % (kMaxPassword - 3));
  c.hint = text(2 + kMaxPassword + 1, raw[2 + kMaxPassword] % (kMaxHint + 1));
  return c;
}

std::array<std::uint8_t, SessionConfig::kConfigSize> SessionConfig::Encode() const {
  std::array<std::uint8_t, kConfigSize> raw{};
  raw[0] = std::uint8_t((loggedIn ? 1 : 0) | (administrator ? 2 : 0) | (connected ? 4 : 0));
  raw[1] = static_cast<std::uint8_t>(password.size() - 4);
  std::copy_n(password.begin(), std::min(password.size(), kMaxPassword), raw.begin() + 2);
  raw[2 + kMaxPassword] = static_cast<std::uint8_t>(hint.size());
  std::copy_n(hint.begin(), std::min(hint.size(), kMaxHint), raw.begin() + 3 + kMaxPassword);
  return raw;
}

void RunOperatorSession(CheckedPort& port, const SessionConfig& config) {
  DeviceSession session(port);
  // The second scan must close what the first left open.
  CheckedScan(port, session);
  CheckedScan(port, session);

  // A window model that is not the camera's, so that every member the
  // readout fills (or must not fill) shows.
  CameraStatus status;
  status.resolutionIndex = status.loopRecordingIndex = status.query0D = -1;
  status.firmwareText = status.officerText = status.departmentText = "(before)";
  status.additionalText = status.hintText = status.serialNumber = status.serialLine = "(before)";
  status.loggedIn = config.loggedIn;
  status.administrator = config.administrator;
  status.connected = config.connected;
  CheckedReadout(port, session, status);

  for (TextKind kind : {TEXT_OFFICER, TEXT_DEPARTMENT, TEXT_ADDITIONAL, TEXT_HINT,
                        TEXT_LOGIN_PASSWORD, TEXT_NEW_PASSWORD}) {
    CheckedReadText(port, session, kind);
  }

  CheckedLogin(port, session, config, status);

  CheckedScan(port, session);
  CheckedWriteText(port, session, TEXT_HINT, config.hint);
  session.ReleaseHandle();
}

}  // namespace zul::fuzz
