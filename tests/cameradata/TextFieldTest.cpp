// Texts in five-character chunks: the bytes on the wire, the camera's say in
// when a write stops, the read's stop rules, and a round trip through the
// simulated camera.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>

#include "cameradata/TextField.h"
#include "devicelink/Command.h"
#include "devicelink/Discovery.h"
#include "simulator/SimulatedDrives.h"
#include "tests/support/Hex.h"
#include "tests/support/ScriptedPort.h"

namespace zul {
namespace {

using Bytes = std::array<std::uint8_t, 8>;

using test::Hex;

// A camera on a scripted port: reply(args) answers each vendor command, or
// fails its transfer with nullopt.
struct ScriptedCamera {
  test::ScriptedPort port;
  DeviceSession session{port};
  std::function<std::optional<Bytes>(const Bytes&)> reply = [](const Bytes& a) { return a; };

  ScriptedCamera() {
    session.handle = port.OpenVolume("\\\\.\\F:");
    port.answer = [this](PassThroughBuffer& b) {
      Bytes args;
      std::memcpy(args.data(), b.header.Cdb + 8, 8);
      const std::optional<Bytes> r = reply(args);
      if (r) std::memcpy(b.data, r->data(), 8);
      return r.has_value();
    };
  }

  // Argument bytes of every request, in hexadecimal.
  std::vector<std::string> Sent() const {
    std::vector<std::string> out;
    for (const auto& r : port.seen) out.push_back(Hex(r.header().Cdb + 8, 8));
    return out;
  }
  // Command code bytes 4 to 7 of every request.
  std::vector<std::string> Codes() const {
    std::vector<std::string> out;
    for (const auto& r : port.seen) out.push_back(Hex(r.header().Cdb + 4, 4));
    return out;
  }
};

struct WriteCase {
  const char* name;
  TextKind kind;
  std::string text;
  std::vector<std::string> chunks;
};

TEST(WriteTextFieldTest, ChunkLayouts) {
  const std::string forty = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcd";
  const WriteCase cases[] = {
      {"empty", TEXT_OFFICER, "", {"00 00 00 00 00 00 00 00"}},
      {"four", TEXT_HINT, "ABCD", {"03 00 04 41 42 43 44 00"}},
      {"five: length byte 0", TEXT_OFFICER, "ABCDE", {"00 00 00 41 42 43 44 45"}},
      {"nine",
       TEXT_DEPARTMENT,
       "NORTH DIV",
       {"01 00 05 4E 4F 52 54 48", "01 01 04 20 44 49 56 00"}},
      {"ten",
       TEXT_ADDITIONAL,
       "TRAFFIC 10",
       {"02 00 05 54 52 41 46 46", "02 01 00 49 43 20 31 30"}},
      {"login password",
       TEXT_LOGIN_PASSWORD,
       "123456",
       {"04 00 05 31 32 33 34 35", "04 01 01 36 00 00 00 00"}},
      {"new password", TEXT_NEW_PASSWORD, "9876", {"06 00 04 39 38 37 36 00"}},
      {"forty",
       TEXT_ADDITIONAL,
       forty,
       {"02 00 05 30 31 32 33 34", "02 01 05 35 36 37 38 39", "02 02 05 41 42 43 44 45",
        "02 03 05 46 47 48 49 4A", "02 04 05 4B 4C 4D 4E 4F", "02 05 05 50 51 52 53 54",
        "02 06 05 55 56 57 58 59", "02 07 00 5A 61 62 63 64"}},
      {"forty-one: the 41st never travels",
       TEXT_ADDITIONAL,
       forty + "e",
       {"02 00 05 30 31 32 33 34", "02 01 05 35 36 37 38 39", "02 02 05 41 42 43 44 45",
        "02 03 05 46 47 48 49 4A", "02 04 05 4B 4C 4D 4E 4F", "02 05 05 50 51 52 53 54",
        "02 06 05 55 56 57 58 59", "02 07 05 5A 61 62 63 64"}},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedCamera camera;  // answers each chunk with its own bytes
    WriteTextField(camera.session, c.kind, c.text);
    EXPECT_EQ(camera.Sent(), c.chunks);
    for (const std::string& code : camera.Codes()) EXPECT_EQ(code, "06 00 00 25");
  }
}

TEST(WriteTextFieldTest, TheCameraDecidesWhenToStop) {
  const struct {
    std::size_t length;
    std::uint8_t replyByte2;
    std::size_t chunks;
  } cases[] = {
      {2, 5, 8},  {2, 0xFF, 8}, {0, 200, 8},  // keeps asking: eight chunks, no more
      {30, 0, 1}, {30, 4, 1},                 // says stop: the text's own length is not asked
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.length << " chars, reply byte 2 = " << int(c.replyByte2));
    ScriptedCamera camera;
    camera.reply = [&](const Bytes& a) { return Bytes{a[0], a[1], c.replyByte2}; };
    WriteTextField(camera.session, TEXT_HINT, std::string(c.length, 'x'));
    ASSERT_EQ(camera.Sent().size(), c.chunks);
  }
  // Chunks past the end carry the text's length byte and no characters.
  ScriptedCamera camera;
  camera.reply = [](const Bytes& a) { return Bytes{a[0], a[1], 5}; };
  WriteTextField(camera.session, TEXT_HINT, "AB");
  EXPECT_EQ(camera.Sent()[0], "03 00 02 41 42 00 00 00");
  EXPECT_EQ(camera.Sent()[7], "03 07 02 00 00 00 00 00");
}

TEST(WriteTextFieldTest, ReturnsTheReplyToTheLastChunk) {
  ScriptedCamera camera;
  camera.reply = [](const Bytes& a) {
    return Bytes{a[0], a[1], a[2], std::uint8_t(0xA0 + a[1]), 0x11, 0x22, 0x33, 0x44};
  };
  const Bytes reply = WriteTextField(camera.session, TEXT_LOGIN_PASSWORD, "1234567");
  EXPECT_EQ(reply, (Bytes{4, 1, 2, 0xA1, 0x11, 0x22, 0x33, 0x44}));
}

TEST(WriteTextFieldTest, WithoutACameraOneAttemptAndZeros) {
  ScriptedCamera camera;
  camera.session.handle = kNoHandle;
  const Bytes reply = WriteTextField(camera.session, TEXT_LOGIN_PASSWORD, "123456789");
  EXPECT_EQ(camera.port.seen.size(), 1u);
  EXPECT_EQ(reply, Bytes{});
  // A transfer failing midway stops the write the same way.
  ScriptedCamera failing;
  failing.reply = [](const Bytes& a) -> std::optional<Bytes> {
    if (a[1] == 1) return std::nullopt;
    return a;
  };
  EXPECT_EQ(WriteTextField(failing.session, TEXT_HINT, std::string(30, 'h')), Bytes{});
  EXPECT_EQ(failing.port.seen.size(), 2u);
}

struct ReadCase {
  const char* name;
  std::uint8_t total;  // what the camera announces in byte 2
  std::string stored;  // what its chunks carry
  std::size_t chunks;  // requests expected
  std::string text;    // text expected
};

TEST(ReadTextFieldTest, StopRules) {
  const std::string fortyFive = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghi";
  const ReadCase cases[] = {
      {"total 0", 0, "", 1, ""},
      {"total 4", 4, "ABCD", 1, "ABCD"},
      {"total 5 asks once more", 5, "ABCDE", 2, "ABCDE"},
      {"total 12", 12, "ABCDEFGHIJKL", 3, "ABCDEFGHIJKL"},
      {"total 40", 40, fortyFive.substr(0, 40), 8, fortyFive.substr(0, 40)},
      {"total over 40", 200, fortyFive, 8, fortyFive.substr(0, 40)},
      {"a zero byte ends the text", 12, std::string("ABC\0EFGHIJKL", 12), 3, "ABC"},
      {"characters past the total count", 3, "ABCDEFG", 1, "ABCDE"},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedCamera camera;
    camera.reply = [&](const Bytes& a) {
      Bytes r{a[0], a[1], c.total};
      for (std::size_t j = 0; j < 5; ++j) {
        const std::size_t pos = 5u * a[1] + j;
        if (pos < c.stored.size()) r[3 + j] = static_cast<std::uint8_t>(c.stored[pos]);
      }
      return r;
    };
    std::string text = "previous";
    ASSERT_TRUE(ReadTextField(camera.session, TEXT_DEPARTMENT, text));
    EXPECT_EQ(text, c.text);
    ASSERT_EQ(camera.Sent().size(), c.chunks);
    for (std::size_t i = 0; i < c.chunks; ++i) {
      EXPECT_EQ(camera.Sent()[i], Hex(Bytes{1, std::uint8_t(i)}.data(), 8));
      EXPECT_EQ(camera.Codes()[i], "60 00 00 24");
    }
  }
}

TEST(ReadTextFieldTest, AnyFailedChunkFailsTheRead) {
  for (std::uint8_t failing : {0, 3, 7}) {
    SCOPED_TRACE(int(failing));
    ScriptedCamera camera;
    camera.reply = [&](const Bytes& a) -> std::optional<Bytes> {
      if (a[1] == failing) return std::nullopt;
      return Bytes{a[0], a[1], 40, 'x', 'x', 'x', 'x', 'x'};
    };
    std::string text = "previous";
    EXPECT_FALSE(ReadTextField(camera.session, TEXT_HINT, text));
    EXPECT_EQ(text, "previous");
    EXPECT_EQ(camera.port.seen.size(), failing + 1u);
  }
}

TEST(TextFieldRoundTripTest, EveryLengthThroughTheSimulatedCamera) {
  sim::SimulatedDrives drives;
  sim::SimulatedDrive drive;
  drive.type = sim::DriveType::Camera;
  drive.camera = std::make_shared<sim::SimulatedCamera>();
  drives.Insert('F', drive);
  DeviceSession session{drives};
  ASSERT_TRUE(DiscoverCamera(session));
  const std::string source = "The quick br\xF6wn fox jumps over the lazy dog, twice";
  for (TextKind kind : {TEXT_OFFICER, TEXT_DEPARTMENT, TEXT_ADDITIONAL, TEXT_HINT}) {
    for (std::size_t n = 0; n <= 45; ++n) {
      SCOPED_TRACE(testing::Message() << "kind " << int(kind) << ", " << n << " chars");
      const std::string text = source.substr(0, n);
      WriteTextField(session, kind, text);
      std::string back;
      ASSERT_TRUE(ReadTextField(session, kind, back));
      EXPECT_EQ(back, text.substr(0, 40));
    }
  }
}

}  // namespace
}  // namespace zul
