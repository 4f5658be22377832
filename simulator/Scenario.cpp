#include "simulator/Scenario.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/FileText.h"
#include "platform/Latin1.h"

namespace zul::sim {
namespace {

using Json = nlohmann::ordered_json;

// Thrown at the first fault found; turned into the one message the caller sees.
struct Refusal {
  std::string message;
};

constexpr const char* kTypeNames[] = {"disk", "unopenable", "impostor", "camera"};
constexpr DriveType kTypes[] = {DriveType::Disk, DriveType::Unopenable, DriveType::Impostor,
                                DriveType::Camera};

// Keys that only a camera drive takes.
const std::set<std::string> kCameraKeys = {
    "answer",
    "password",
    "passwordSha256",
    "passwordSalt",
    "adminPassword",
    "adminPasswordSha256",
    "adminPasswordSalt",
    "officer",
    "department",
    "additional",
    "hint",
    "wrongAttempts",
    "firmware",
    "serial",
    "resolution",
    "loopRecording",
    "query0D",
    "time",
    "date",
    "diskAccess",
    "loggedIn",
    "administrator",
};

// The members of one JSON object, read key by key, with messages that name
// the source and the key's path.
class Fields {
 public:
  Fields(const Json& object, std::string where, std::string_view source)
      : object_(object), where_(std::move(where)), source_(source) {
    if (!object_.is_object()) {
      throw Refusal{std::string(source_) + ": " + (where_.empty() ? "the scenario" : where_) +
                    ": must be a JSON object"};
    }
  }

  [[noreturn]] void Refuse(std::string_view key, std::string_view what) const {
    std::string path = where_.empty() ? std::string(key) : where_ + "." + std::string(key);
    throw Refusal{std::string(source_) + ": " + path + ": " + std::string(what)};
  }

  bool Has(const char* key) const { return object_.contains(key); }

  const Json* Take(const char* key) {
    auto it = object_.find(key);
    if (it == object_.end()) return nullptr;
    used_.insert(key);
    return &*it;
  }

  // A text of min to max characters, 8-bit: characters up to U+00FF only.
  std::optional<std::string> Text(const char* key, std::size_t min, std::size_t max) {
    const Json* v = Take(key);
    if (!v) return std::nullopt;
    if (!v->is_string()) Refuse(key, "must be a text");
    return CheckText(key, v->get<std::string>(), min, max);
  }

  std::string CheckText(std::string_view key, const std::string& utf8, std::size_t min,
                        std::size_t max) const {
    std::optional<std::string> bytes = platform::Utf8ToLatin1(utf8);
    if (!bytes) Refuse(key, "must hold only characters up to U+00FF");
    if (bytes->find('\0') != std::string::npos) Refuse(key, "must not hold a zero character");
    if (bytes->size() < min || bytes->size() > max) {
      Refuse(key, min > 0 ? "must be " + std::to_string(min) + " to " + std::to_string(max) +
                                " characters"
                          : "must be at most " + std::to_string(max) + " characters");
    }
    return *bytes;
  }

  std::optional<std::uint64_t> Whole(const char* key, std::uint64_t max) {
    const Json* v = Take(key);
    if (!v) return std::nullopt;
    if (!v->is_number_unsigned() || v->get<std::uint64_t>() > max) {
      Refuse(key, "must be a whole number from 0 to " + std::to_string(max));
    }
    return v->get<std::uint64_t>();
  }

  std::optional<bool> Flag(const char* key) {
    const Json* v = Take(key);
    if (!v) return std::nullopt;
    if (!v->is_boolean()) Refuse(key, "must be true or false");
    return v->get<bool>();
  }

  // Request numbers, 1-based.
  std::optional<std::set<std::uint64_t>> Requests(const char* key) {
    const Json* v = Take(key);
    if (!v) return std::nullopt;
    std::set<std::uint64_t> numbers;
    if (!v->is_array()) Refuse(key, "must be a list of request numbers (1 or more)");
    for (const Json& n : *v) {
      if (!n.is_number_unsigned() || n.get<std::uint64_t>() == 0) {
        Refuse(key, "must be a list of request numbers (1 or more)");
      }
      numbers.insert(n.get<std::uint64_t>());
    }
    return numbers;
  }

  std::optional<std::array<std::uint8_t, 3>> ThreeBytes(const char* key) {
    const Json* v = Take(key);
    if (!v) return std::nullopt;
    std::array<std::uint8_t, 3> bytes{};
    if (!v->is_array() || v->size() != 3) Refuse(key, "must be a list of three numbers 0 to 255");
    for (std::size_t i = 0; i < 3; ++i) {
      const Json& n = (*v)[i];
      if (!n.is_number_unsigned() || n.get<std::uint64_t>() > 255) {
        Refuse(key, "must be a list of three numbers 0 to 255");
      }
      bytes[i] = static_cast<std::uint8_t>(n.get<std::uint64_t>());
    }
    return bytes;
  }

  // Exactly size bytes in hexadecimal digits.
  std::optional<std::vector<std::uint8_t>> HexBytes(const char* key, std::size_t size,
                                                    const char* what) {
    const Json* v = Take(key);
    if (!v) return std::nullopt;
    std::optional<std::vector<std::uint8_t>> bytes;
    if (v->is_string()) bytes = BytesFromHex(v->get<std::string>());
    if (!bytes || bytes->size() != size) {
      Refuse(key, std::string("must be ") + what + " in " + std::to_string(2 * size) +
                      " hexadecimal digits");
    }
    return bytes;
  }

  // Either the password in clear (salted here) or its digest with the salt it
  // was made with, if any.
  std::optional<PasswordDigest> Password(const char* clearKey, const char* digestKey,
                                         const char* saltKey) {
    if (Has(clearKey) && Has(digestKey)) Refuse(digestKey, std::string("given with ") + clearKey);
    if (Has(saltKey) && !Has(digestKey)) Refuse(saltKey, std::string("given without ") + digestKey);
    if (auto clear = Text(clearKey, 1, kMaxPassword)) return DigestOfPassword(*clear);
    const auto digest = HexBytes(digestKey, std::tuple_size_v<Sha256Digest>, "a SHA-256 digest");
    if (!digest) return std::nullopt;
    PasswordDigest d;
    std::copy(digest->begin(), digest->end(), d.digest.begin());
    if (auto salt = HexBytes(saltKey, kSaltSize, "a salt")) d.salt = *salt;
    return d;
  }

  void RefuseUnknown(bool camera) const {
    for (const auto& item : object_.items()) {
      if (used_.count(item.key())) continue;
      if (!camera && kCameraKeys.count(item.key())) Refuse(item.key(), "only a camera takes it");
      Refuse(item.key(), "unknown key");
    }
  }

 private:
  static std::optional<std::vector<std::uint8_t>> BytesFromHex(const std::string& hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> d(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); ++i) {
      const char c = hex[i];
      int v;
      if (c >= '0' && c <= '9')
        v = c - '0';
      else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
      else
        return std::nullopt;
      d[i / 2] = static_cast<std::uint8_t>(d[i / 2] << 4 | v);
    }
    return d;
  }

  const Json& object_;
  std::string where_;
  std::string_view source_;
  std::set<std::string> used_;
};

void ReadCamera(Fields& f, CameraState& c) {
  const struct {
    const char* key;
    std::string CameraState::*member;
  } texts[] = {{"officer", &CameraState::officer},
               {"department", &CameraState::department},
               {"additional", &CameraState::additional},
               {"hint", &CameraState::hint}};
  for (const auto& t : texts) {
    if (auto v = f.Text(t.key, 0, kMaxCameraText)) c.*t.member = *v;
  }
  if (auto d = f.Password("password", "passwordSha256", "passwordSalt")) c.userPassword = *d;
  if (auto d = f.Password("adminPassword", "adminPasswordSha256", "adminPasswordSalt")) {
    c.adminPassword = *d;
  }
  if (auto v = f.Whole("wrongAttempts", 255)) c.wrongAttempts = static_cast<std::uint8_t>(*v);
  if (const Json* parts = f.Take("firmware")) {
    if (!parts->is_array() || parts->size() != 3)
      f.Refuse("firmware", "must be a list of three texts");
    for (std::size_t i = 0; i < 3; ++i) {
      const std::string key = "firmware[" + std::to_string(i) + "]";
      if (!(*parts)[i].is_string()) f.Refuse(key, "must be a text");
      c.firmware[i] = f.CheckText(key, (*parts)[i].get<std::string>(), 0, kMaxFirmwarePart);
    }
  }
  if (auto v = f.Text("serial", 0, kMaxSerial)) c.serial = *v;
  const struct {
    const char* key;
    std::uint8_t CameraState::*member;
  } bytes[] = {{"resolution", &CameraState::resolution},
               {"loopRecording", &CameraState::loopRecording},
               {"query0D", &CameraState::query0D}};
  for (const auto& b : bytes) {
    if (auto v = f.Whole(b.key, 255)) c.*b.member = static_cast<std::uint8_t>(*v);
  }
  if (auto v = f.ThreeBytes("time")) c.time = *v;
  if (auto v = f.ThreeBytes("date")) c.date = *v;
  if (auto v = f.Flag("diskAccess")) c.diskAccess = *v;
  if (auto v = f.Flag("loggedIn")) c.loggedIn = *v;
  if (auto v = f.Flag("administrator")) c.administrator = *v;
}

DriveSpec ReadDrive(const Json& object, std::size_t index, std::string_view source) {
  Fields f(object, "drives[" + std::to_string(index) + "]", source);
  DriveSpec d;
  const Json* letter = f.Take("letter");
  if (!letter) f.Refuse("letter", "missing");
  const std::string l = letter->is_string() ? letter->get<std::string>() : std::string();
  if (l.size() != 1 || l[0] < 'D' || l[0] > 'Z') {
    f.Refuse("letter", "must be one drive letter from \"D\" to \"Z\"");
  }
  d.letter = l[0];

  const Json* type = f.Take("type");
  if (!type) f.Refuse("type", "missing");
  const std::string t = type->is_string() ? type->get<std::string>() : std::string();
  bool known = false;
  for (std::size_t i = 0; i < std::size(kTypes); ++i) {
    if (t == kTypeNames[i]) {
      d.type = kTypes[i];
      known = true;
    }
  }
  if (!known) f.Refuse("type", "must be \"disk\", \"unopenable\", \"impostor\" or \"camera\"");

  const bool camera = d.type == DriveType::Camera;
  if (camera) {
    if (const Json* answer = f.Take("answer")) {
      if (*answer == "AA55")
        d.answer = AnswerForm::AA55;
      else if (*answer == "RIZ")
        d.answer = AnswerForm::RIZ;
      else
        f.Refuse("answer", "must be \"AA55\" or \"RIZ\"");
    }
    ReadCamera(f, d.camera);
  }
  if (auto v = f.Requests("failRequests")) d.faults.failRequests = *v;
  if (auto v = f.Requests("shortRequests")) d.faults.shortRequests = *v;
  if (auto v = f.Requests("checkRequests")) d.faults.checkRequests = *v;
  if (auto v = f.Whole("failFrom", UINT64_MAX)) d.faults.failFrom = *v;
  if (auto v = f.Whole("shortLength", 65536)) d.faults.shortLength = static_cast<std::uint32_t>(*v);
  if (auto v = f.Whole("requests", UINT64_MAX)) d.requests = *v;
  if (auto v = f.Flag("unplugged")) d.unplugged = *v;
  f.RefuseUnknown(camera);
  return d;
}

Scenario ReadScenario(const Json& root, std::string_view source) {
  Fields top(root, "", source);
  Scenario s;
  if (const Json* drives = top.Take("drives")) {
    if (!drives->is_array()) top.Refuse("drives", "must be a list of drives");
    std::map<char, std::size_t> seen;
    for (std::size_t i = 0; i < drives->size(); ++i) {
      DriveSpec d = ReadDrive((*drives)[i], i, source);
      auto [at, fresh] = seen.emplace(d.letter, i);
      if (!fresh) {
        throw Refusal{std::string(source) + ": drives[" + std::to_string(i) + "].letter: drive " +
                      d.letter + " is already given by drives[" + std::to_string(at->second) + "]"};
      }
      s.drives.push_back(std::move(d));
    }
  }
  top.RefuseUnknown(false);
  return s;
}

Json Parse(std::string_view text, std::string_view source) {
  try {
    return Json::parse(text);
  } catch (const Json::parse_error& e) {
    // Only the position: the text near it might be a password.
    throw Refusal{std::string(source) + ": not valid JSON (at byte " + std::to_string(e.byte) +
                  ")"};
  } catch (const Json::exception&) {
    // The parser's other refusal: a number too large for a double (out_of_range).
    throw Refusal{std::string(source) + ": not valid JSON (a number is out of range)"};
  }
}

template <typename Bytes>
std::string Hex(const Bytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (std::uint8_t b : bytes) s += {digits[b >> 4], digits[b & 15]};
  return s;
}

void PutPassword(Json& j, const char* digestKey, const char* saltKey, const PasswordDigest& d) {
  j[digestKey] = Hex(d.digest);
  if (!d.salt.empty()) j[saltKey] = Hex(d.salt);
}

Json CameraJson(const CameraState& c) {
  Json j;
  PutPassword(j, "passwordSha256", "passwordSalt", c.userPassword);
  PutPassword(j, "adminPasswordSha256", "adminPasswordSalt", c.adminPassword);
  j["wrongAttempts"] = c.wrongAttempts;
  j["officer"] = platform::Latin1ToUtf8(c.officer);
  j["department"] = platform::Latin1ToUtf8(c.department);
  j["additional"] = platform::Latin1ToUtf8(c.additional);
  j["hint"] = platform::Latin1ToUtf8(c.hint);
  j["firmware"] = Json::array();
  for (const std::string& part : c.firmware) j["firmware"].push_back(platform::Latin1ToUtf8(part));
  j["serial"] = platform::Latin1ToUtf8(c.serial);
  j["resolution"] = c.resolution;
  j["loopRecording"] = c.loopRecording;
  j["query0D"] = c.query0D;
  j["time"] = c.time;
  j["date"] = c.date;
  j["diskAccess"] = c.diskAccess;
  j["loggedIn"] = c.loggedIn;
  j["administrator"] = c.administrator;
  return j;
}

Json DriveJson(const DriveSpec& d) {
  Json j;
  j["letter"] = std::string(1, d.letter);
  for (std::size_t i = 0; i < std::size(kTypes); ++i) {
    if (d.type == kTypes[i]) j["type"] = kTypeNames[i];
  }
  if (d.type == DriveType::Camera) {
    j["answer"] = d.answer == AnswerForm::AA55 ? "AA55" : "RIZ";
    j.update(CameraJson(d.camera));
  }
  j["failRequests"] = d.faults.failRequests;
  j["shortRequests"] = d.faults.shortRequests;
  j["checkRequests"] = d.faults.checkRequests;
  j["failFrom"] = d.faults.failFrom;
  j["shortLength"] = d.faults.shortLength;
  j["requests"] = d.requests;
  j["unplugged"] = d.unplugged;
  return j;
}

}  // namespace

ScenarioResult ParseScenario(std::string_view text, std::string_view sourceName) {
  try {
    return {ReadScenario(Parse(text, sourceName), sourceName), {}};
  } catch (const Refusal& r) {
    return {std::nullopt, r.message};
  }
}

ScenarioResult LoadScenarioFile(const std::string& path) {
  std::string text;
  if (!platform::ReadFileText(path, text)) return {std::nullopt, path + ": cannot be read"};
  return ParseScenario(text, path);
}

namespace {

void PlugIn(const DriveSpec& entry, SimulatedDrives& drives) {
  SimulatedDrive d;
  d.type = entry.type;
  d.answer = entry.answer;
  if (entry.type == DriveType::Camera) d.camera = std::make_shared<SimulatedCamera>(entry.camera);
  d.faults = entry.faults;
  d.requests = entry.requests;
  d.unplugged = entry.unplugged;
  // A saved state may hold the login of a camera that stayed plugged in.
  drives.InsertAsSaved(entry.letter, std::move(d));
}

// Pulls out every drive at a letter the scenario does not name, or all of them.
void PullOut(const Scenario* keeping, SimulatedDrives& drives) {
  std::vector<char> letters;
  for (char letter : drives.Letters()) {
    const auto named = [letter](const DriveSpec& d) { return d.letter == letter; };
    if (!keeping || std::none_of(keeping->drives.begin(), keeping->drives.end(), named)) {
      letters.push_back(letter);
    }
  }
  for (char letter : letters) drives.Remove(letter);
}

}  // namespace

void ApplyScenario(const Scenario& scenario, SimulatedDrives& drives) {
  PullOut(nullptr, drives);
  for (const DriveSpec& entry : scenario.drives) PlugIn(entry, drives);
}

void UpdateDrives(const Scenario& scenario, SimulatedDrives& drives) {
  PullOut(&scenario, drives);
  for (const DriveSpec& entry : scenario.drives) {
    SimulatedDrive* d = drives.Drive(entry.letter);
    const bool camera = entry.type == DriveType::Camera;
    if (!d || d->type != entry.type || bool(d->camera) != camera) {
      PlugIn(entry, drives);
      continue;
    }
    d->answer = entry.answer;
    d->faults = entry.faults;
    d->requests = entry.requests;
    d->unplugged = entry.unplugged;
    if (camera) d->camera->state = entry.camera;
  }
}

Scenario CaptureScenario(const SimulatedDrives& drives) {
  Scenario s;
  drives.Visit([&s](char letter, const SimulatedDrive& drive) {
    DriveSpec d;
    d.letter = letter;
    d.type = drive.type;
    if (drive.type == DriveType::Camera) {
      d.answer = drive.answer;
      if (drive.camera) d.camera = drive.camera->state;
    }
    d.faults = drive.faults;
    d.requests = drive.requests;
    d.unplugged = drive.unplugged;
    s.drives.push_back(std::move(d));
  });
  return s;
}

const std::string& DefaultScenarioText() {
  // The same bytes as scenarios/default.json: the two share saved states.
  static const std::string text = R"({
  "drives": [
    {
      "letter": "F",
      "type": "camera",
      "answer": "AA55",
      "password": "1234",
      "adminPassword": "888888",
      "wrongAttempts": 0,
      "officer": "OFFICER 0417",
      "department": "NORTH DIV",
      "additional": "TRAFFIC 10",
      "hint": "four digits",
      "firmware": ["V1.6", ".2024", "1201"],
      "serial": "A1234567",
      "resolution": 0,
      "loopRecording": 0,
      "query0D": 0
    }
  ]
}
)";
  return text;
}

Scenario DefaultScenario() {
  return *ParseScenario(DefaultScenarioText(), "the default scenario").scenario;
}

std::string ToJson(const Scenario& scenario) {
  Json j;
  j["drives"] = Json::array();
  for (const DriveSpec& d : scenario.drives) j["drives"].push_back(DriveJson(d));
  return j.dump(2) + "\n";
}

std::string ToJson(const SimulatedDrives& drives) {
  return ToJson(CaptureScenario(drives));
}

std::string ToJson(const CameraState& state) {
  return CameraJson(state).dump(2) + "\n";
}

bool FromJson(std::string_view text, std::string_view sourceName, SimulatedDrives& drives,
              std::string& error) {
  ScenarioResult r = ParseScenario(text, sourceName);
  if (!r) {
    error = r.error;
    return false;
  }
  ApplyScenario(*r.scenario, drives);
  return true;
}

bool FromJson(std::string_view text, std::string_view sourceName, CameraState& state,
              std::string& error) {
  try {
    const Json root = Parse(text, sourceName);
    Fields f(root, "", sourceName);
    CameraState read;
    ReadCamera(f, read);
    f.RefuseUnknown(true);
    state = read;
    return true;
  } catch (const Refusal& r) {
    error = r.message;
    return false;
  }
}

}  // namespace zul::sim
