#include "simulator/SimulatedCamera.h"

#include <algorithm>
#include <cstring>

#include "devicelink/CommandCatalogue.h"

namespace zul::sim {
namespace {

constexpr std::uint8_t kChunkChars = 5;
constexpr std::uint8_t kMaxChunks = 8;
constexpr std::uint8_t kLoginKind = 4;
constexpr std::uint8_t kNewPasswordKind = 6;

// Up to eight characters of text, zero-filled.
SimulatedCamera::Bytes TextAnswer(const std::string& text) {
  SimulatedCamera::Bytes b{};
  std::copy_n(text.begin(), std::min<std::size_t>(text.size(), b.size()), b.begin());
  return b;
}

// The stored text of a readable kind, or nullptr.
template <typename State>
auto TextOf(State& s, std::uint8_t kind) -> decltype(&s.officer) {
  switch (kind) {
    case 0:
      return &s.officer;
    case 1:
      return &s.department;
    case 2:
      return &s.additional;
    case 3:
      return &s.hint;
    default:
      return nullptr;
  }
}

void Wipe(char* p, std::size_t n) {
  volatile char* v = p;
  while (n--) *v++ = 0;
}

}  // namespace

SimulatedCamera::~SimulatedCamera() {
  for (auto& text : pending_) Wipe(text.data(), text.size());
}

void SimulatedCamera::Connected() {
  state.loggedIn = false;
  state.administrator = false;
  state.diskAccess = false;
  for (std::uint8_t kind = 0; kind < kKinds; ++kind) Forget(kind);
}

SimulatedCamera::Bytes SimulatedCamera::Answer(std::uint32_t code, const Bytes& args) {
  switch (code) {
    case CMD_SET_RESOLUTION:
      state.resolution = args[0];
      return {};
    case CMD_SET_LOOP_RECORDING:
      state.loopRecording = args[0];
      return {};
    case CMD_SET_TIME:
      std::copy_n(args.begin(), 3, state.time.begin());
      return {};
    case CMD_SET_DATE:
      std::copy_n(args.begin(), 3, state.date.begin());
      return {};
    case CMD_ALLOW_DISK_ACCESS:
      state.diskAccess = true;
      return {};
    case CMD_WRITE_TEXT_CHUNK:
      return WriteChunk(args);
    case CMD_READ_TEXT_CHUNK:
      return ReadChunk(args);
    case CMD_CHECK_PASSWORD:
      return CheckPassword();
    case CMD_GET_RESOLUTION:
      return {state.resolution};
    case CMD_GET_LOOP_RECORDING:
      return {state.loopRecording};
    case CMD_QUERY_0D:
      return {state.query0D};
    case CMD_GET_SERIAL_NUMBER:
      return TextAnswer(state.serial);
    case CMD_GET_LOGIN_STATE:
      return {std::uint8_t(state.loggedIn ? 1 : 0), std::uint8_t(state.administrator ? 2 : 0)};
    case CMD_GET_FIRMWARE_PART1:
      return TextAnswer(state.firmware[0]);
    case CMD_GET_FIRMWARE_PART2:
      return TextAnswer(state.firmware[1]);
    case CMD_GET_FIRMWARE_PART3:
      return TextAnswer(state.firmware[2]);
    default:
      return {};  // CMD_QUERY_28 and anything unknown
  }
}

void SimulatedCamera::Forget(std::uint8_t kind) {
  Wipe(pending_[kind].data(), pending_[kind].size());
  if (kind == kLoginKind) loginComplete_ = false;
}

SimulatedCamera::Bytes SimulatedCamera::WriteChunk(const Bytes& args) {
  const std::uint8_t kind = args[0], index = args[1], length = args[2];
  const bool writable = TextOf(state, kind) || kind == kLoginKind || kind == kNewPasswordKind;
  if (!writable || index >= kMaxChunks) return {};  // byte 2 of 0 ends the sender's loop
  if (index == 0) Forget(kind);
  std::memcpy(&pending_[kind][index * kChunkChars], &args[3], kChunkChars);
  // A length byte below five marks the last chunk; forty characters is all a
  // text can hold.
  if (length < kChunkChars || index == kMaxChunks - 1) Finish(kind);
  return {kind, index, length};
}

void SimulatedCamera::Finish(std::uint8_t kind) {
  const char* text = pending_[kind].data();
  const std::string_view received(text, strnlen(text, kMaxCameraText));
  if (std::string* stored = TextOf(state, kind)) {
    stored->assign(received);
    Forget(kind);
  } else if (kind == kLoginKind) {
    loginComplete_ = true;  // kept for the password check
  } else {
    if (!received.empty() && received.size() <= kMaxPassword) {
      state.userPassword = DigestOfPassword(received);
    }
    Forget(kind);
  }
}

SimulatedCamera::Bytes SimulatedCamera::ReadChunk(const Bytes& args) const {
  const std::uint8_t kind = args[0], index = args[1];
  const std::string* stored = TextOf(state, kind);
  if (!stored) return {};  // passwords are never read back
  const std::string_view text(stored->data(), std::min(stored->size(), kMaxCameraText));
  Bytes b{kind, index, static_cast<std::uint8_t>(text.size())};
  const std::size_t from = std::size_t(index) * kChunkChars;
  for (std::size_t j = 0; j < kChunkChars && from + j < text.size(); ++j) {
    b[3 + j] = static_cast<std::uint8_t>(text[from + j]);
  }
  return b;
}

SimulatedCamera::Bytes SimulatedCamera::CheckPassword() {
  const char* text = pending_[kLoginKind].data();
  const std::string_view attempt =
      loginComplete_ ? std::string_view(text, strnlen(text, kMaxCameraText)) : std::string_view();
  const bool given = !attempt.empty();
  const bool admin = given && PasswordMatches(state.adminPassword, attempt);
  const bool user = given && PasswordMatches(state.userPassword, attempt);
  Forget(kLoginKind);

  // The administrator's password opens even a locked camera.
  if (admin) {
    state.wrongAttempts = 0;
    state.loggedIn = state.administrator = true;
    return {2, 0};
  }
  const bool locked = state.wrongAttempts >= kLockAfterWrongAttempts;
  if (!locked && user) {
    state.wrongAttempts = 0;
    state.loggedIn = true;
    state.administrator = false;
    return {1, 0};
  }
  state.loggedIn = state.administrator = false;
  if (!locked) ++state.wrongAttempts;
  return {0, state.wrongAttempts};
}

}  // namespace zul::sim
