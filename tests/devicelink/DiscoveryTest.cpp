// Finding the camera among simulated drives.

#include <gtest/gtest.h>

#include "devicelink/Discovery.h"
#include "devicelink/Transfer.h"
#include "simulator/SimulatedDrives.h"
#include "tests/support/ScriptedPort.h"

namespace zul {
namespace {

using sim::AnswerForm;
using sim::DriveType;
using sim::SimulatedDrive;
using sim::SimulatedDrives;

SimulatedDrive Camera(AnswerForm form = AnswerForm::AA55) {
  SimulatedDrive d;
  d.type = DriveType::Camera;
  d.answer = form;
  d.camera = std::make_shared<sim::SimulatedCamera>();
  return d;
}

SimulatedDrive OfType(DriveType t) {
  SimulatedDrive d;
  d.type = t;
  return d;
}

class DiscoveryTest : public ::testing::Test {
 protected:
  SimulatedDrives drives;
  DeviceSession session{drives};
  void SetUp() override { drives.RecordRequests(true); }

  // Letters that got an identification request, in order.
  std::string IdentifiedLetters() const {
    std::string s;
    for (const auto& r : drives.Requests()) {
      if (r.cdb.size() == 16 && r.cdb[3] == 0x01) s += r.letter;
    }
    return s;
  }
};

TEST_F(DiscoveryTest, NothingAttached) {
  EXPECT_FALSE(DiscoverCamera(session));
  EXPECT_EQ(session.handle, kNoHandle);
  EXPECT_EQ(session.driveName(), "");
  EXPECT_EQ(drives.OpenCount(), 0u);
}

TEST_F(DiscoveryTest, FindsCameraInEitherAnswerForm) {
  for (AnswerForm form : {AnswerForm::AA55, AnswerForm::RIZ}) {
    SimulatedDrives d;
    d.Insert('K', Camera(form));
    DeviceSession s{d};
    ASSERT_TRUE(DiscoverCamera(s));
    EXPECT_EQ(s.devicePath, "\\\\.\\K:");
    EXPECT_EQ(s.driveName(), "K:");
    EXPECT_NE(s.handle, kNoHandle);
    EXPECT_EQ(d.OpenHandleCount(), 1);
  }
}

TEST_F(DiscoveryTest, SkipsDisksWithoutIdentifyingThem) {
  drives.Insert('D', OfType(DriveType::Disk));
  drives.Insert('E', OfType(DriveType::Unopenable));
  drives.Insert('F', OfType(DriveType::Impostor));
  drives.Insert('G', Camera(AnswerForm::RIZ));
  drives.Insert('H', Camera());
  ASSERT_TRUE(DiscoverCamera(session));
  EXPECT_EQ(session.driveName(), "G:");
  EXPECT_EQ(IdentifiedLetters(), "FG");    // the disk was never asked, H never reached
  EXPECT_EQ(drives.OpenHandleCount(), 1);  // the impostor's handle was closed
}

TEST_F(DiscoveryTest, FailedInquiryOrIdentificationSkipsTheDrive) {
  SimulatedDrive inquiryFails = Camera();
  inquiryFails.faults.failRequests = {1};
  SimulatedDrive identifyFails = Camera();
  identifyFails.faults.failRequests = {2};
  drives.Insert('D', inquiryFails);
  drives.Insert('E', identifyFails);
  drives.Insert('Z', Camera());
  ASSERT_TRUE(DiscoverCamera(session));
  EXPECT_EQ(session.driveName(), "Z:");
  EXPECT_EQ(drives.OpenHandleCount(), 1);
  // The INQUIRY is asked afresh at every letter, whatever happened before.
  int inquiries = 0;
  for (const auto& r : drives.Requests()) inquiries += r.cdb.size() == 6;
  EXPECT_EQ(inquiries, 3);
}

TEST_F(DiscoveryTest, RepeatedScansHoldAtMostOneHandle) {
  drives.Insert('D', OfType(DriveType::Impostor));
  drives.Insert('F', Camera());
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(DiscoverCamera(session));
    ASSERT_EQ(drives.OpenHandleCount(), 1);
  }
  EXPECT_EQ(drives.OpenCount(), 100u);
}

TEST_F(DiscoveryTest, FailedScanKeepsTheLastDriveName) {
  drives.Insert('F', Camera());
  ASSERT_TRUE(DiscoverCamera(session));
  drives.Remove('F');
  EXPECT_FALSE(DiscoverCamera(session));
  EXPECT_EQ(session.handle, kNoHandle);
  EXPECT_EQ(session.driveName(), "F:");
  EXPECT_EQ(drives.OpenHandleCount(), 0);
  // A camera that moved to another letter is found there.
  drives.Insert('M', Camera());
  ASSERT_TRUE(DiscoverCamera(session));
  EXPECT_EQ(session.driveName(), "M:");
}

TEST_F(DiscoveryTest, OneLetterIsAskedAlone) {
  drives.Insert('D', OfType(DriveType::Disk));
  drives.Insert('E', OfType(DriveType::Impostor));
  drives.Insert('F', OfType(DriveType::Unopenable));
  drives.Insert('G', Camera(AnswerForm::RIZ));
  drives.Insert('K', Camera());
  struct Case {
    char letter;
    bool found;
  };
  const Case cases[] = {{'K', true},  {'G', true},  {'D', false}, {'E', false},
                        {'F', false}, {'H', false}, {'C', false}, {'[', false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.letter);
    ASSERT_TRUE(DiscoverCamera(session));  // holds G's handle going in
    drives.ClearRequestLog();
    EXPECT_EQ(DiscoverCameraNamed(session, std::string{c.letter}), c.found);
    for (const auto& r : drives.Requests()) EXPECT_EQ(r.letter, c.letter);
    EXPECT_EQ(drives.OpenHandleCount(), c.found ? 1 : 0);
    if (c.found) {
      EXPECT_EQ(session.driveName(), (std::string{c.letter, ':'}));
    } else {
      EXPECT_EQ(session.handle, kNoHandle);
      EXPECT_EQ(session.driveName(), "G:");  // the camera found last
    }
  }
  // The disk is asked the INQUIRY only, the impostor also the identification.
  drives.ClearRequestLog();
  DiscoverCameraNamed(session, "D");
  DiscoverCameraNamed(session, "E:");
  EXPECT_EQ(drives.Requests().size(), 3u);
  EXPECT_EQ(IdentifiedLetters(), "E");
}

TEST(DiscoveryRequestTest, InquiryAndIdentificationBytes) {
  test::ScriptedPort port;
  port.answer = [&port](PassThroughBuffer& b) {
    if (port.seen.size() == 1) b.data[3] = 0x01;  // INQUIRY: format 1
    if (port.seen.size() == 2) b.data[0] = 0xAA, b.data[1] = 0x55;
    return true;
  };
  DeviceSession session{port};
  ASSERT_TRUE(DiscoverCamera(session));
  ASSERT_EQ(port.seen.size(), 2u);
  const auto inquiry = port.seen[0].header();
  EXPECT_EQ(port.seen[0].inSize, kHeaderLength);
  EXPECT_EQ(port.seen[0].outSize, kDataOffset + 36);
  EXPECT_EQ(inquiry.CdbLength, 6);
  EXPECT_EQ(inquiry.DataTransferLength, 36u);
  EXPECT_EQ(inquiry.TargetId, 1);
  EXPECT_EQ(inquiry.SenseInfoLength, 24);
  const std::uint8_t inq[16] = {0x12, 0, 0, 0, 0x24, 0};
  EXPECT_EQ(0, std::memcmp(inquiry.Cdb, inq, 16));
  const auto identify = port.seen[1].header();
  EXPECT_EQ(port.seen[1].outSize, kDataOffset + 16);
  EXPECT_EQ(identify.CdbLength, 16);
  const std::uint8_t id[16] = {0xFA, 0x55, 0x66, 0x01};
  EXPECT_EQ(0, std::memcmp(identify.Cdb, id, 16));
  EXPECT_EQ(session.devicePath, "\\\\.\\D:");
  // What the system is handed beyond the header starts out clear, even though
  // the buffer is reused from letter to letter.
  for (const auto& r : port.seen) {
    for (std::size_t i = kHeaderLength; i < r.bufferBefore.size(); ++i) {
      ASSERT_EQ(r.bufferBefore[i], 0) << "byte " << i;
    }
  }
}

TEST(DiscoveryRequestTest, AnswerFormsLookOnlyAtTheirOwnBytes) {
  struct Case {
    std::vector<std::pair<int, std::uint8_t>> bytes;
    bool camera;
  };
  const Case cases[] = {
      {{{0, 0xAA}, {1, 0x55}, {9, 'X'}}, true}, {{{0, 0x00}, {9, 'R'}, {10, 'I'}, {11, 'Z'}}, true},
      {{{0, 0xAA}, {1, 0x54}}, false},          {{{9, 'R'}, {10, 'I'}, {11, 'Y'}}, false},
      {{{1, 0xAA}, {2, 0x55}}, false},
  };
  for (const Case& c : cases) {
    test::ScriptedPort port;
    port.answer = [&](PassThroughBuffer& b) {
      if (port.seen.size() % 2 == 1) {
        b.data[3] = 0x01;
      } else {
        for (auto [i, v] : c.bytes) b.data[i] = v;
      }
      return true;
    };
    DeviceSession session{port};
    EXPECT_EQ(DiscoverCamera(session), c.camera);
    EXPECT_EQ(port.opens - port.closes, c.camera ? 1 : 0);
  }
}

TEST(SimulatedDrivesTest, WritesNoMoreThanAskedAndNeverPastTheOutput) {
  SimulatedDrives drives;
  SimulatedDrive camera = Camera();
  drives.Insert('F', camera);
  VolumeHandle h = drives.OpenVolume("\\\\.\\F:");
  ASSERT_NE(h, kNoHandle);
  // An INQUIRY (36 answer bytes) asked for 8 only.
  PassThroughBuffer b;
  std::memset(&b, 0xCC, sizeof b);
  FillPassThroughHeader(b, 6, 8);
  std::memset(b.header.Cdb, 0, 16);
  b.header.Cdb[0] = 0x12;
  ASSERT_TRUE(drives.PassThrough(h, &b, kHeaderLength, OutputSizeFor(8)));
  EXPECT_EQ(b.data[3], 0x01);
  EXPECT_EQ(b.data[8], 0xCC);
  EXPECT_EQ(b.header.DataTransferLength, 8u);
  // An output area too small for the data asked for is refused by the system.
  EXPECT_FALSE(drives.PassThrough(h, &b, kHeaderLength, OutputSizeFor(8) - 1));
  drives.CloseVolume(h);
  EXPECT_EQ(drives.OpenHandleCount(), 0);
}

TEST(SimulatedDrivesTest, RefusesAreasOutsideTheBuffer) {
  // An offset near the top of its range must not wrap round to a small one
  // (a 32-bit sum once let a sense offset of 0xFFFFFFF0 through). A request
  // the system refuses never reaches the drive.
  struct Case {
    const char* what;
    std::uint64_t senseOffset;
    std::uint8_t senseLength;
    std::uint64_t dataOffset;
    std::uint32_t dataLength;
  };
  const Case cases[] = {
      {"sense offset that wraps", 0xFFFFFFF0u, 24, kDataOffset, 8},
      {"sense area past the output", OutputSizeFor(8) - 10, 24, kDataOffset, 8},
      {"sense offset past the output", OutputSizeFor(8) + 1, 1, kDataOffset, 8},
      {"data area past the output", kSenseOffset, 24, kDataOffset + 1, 8},
      {"data offset past the output", kSenseOffset, 24, OutputSizeFor(8) + 4, 8},
      {"data offset that wraps", kSenseOffset, 24, std::uint64_t(-4), 8},
  };
  for (const Case& c : cases) {
    SimulatedDrives drives;
    drives.Insert('F', Camera());
    VolumeHandle h = drives.OpenVolume("\\\\.\\F:");
    PassThroughBuffer b{};
    FillPassThroughHeader(b, 6, 8);
    b.header.Cdb[0] = 0x00;  // TEST UNIT READY: unknown to the drive, so sense is written
    b.header.SenseInfoOffset = static_cast<std::uint32_t>(c.senseOffset);
    b.header.SenseInfoLength = c.senseLength;
    b.header.DataBufferOffset = static_cast<decltype(b.header.DataBufferOffset)>(c.dataOffset);
    b.header.DataTransferLength = c.dataLength;
    EXPECT_FALSE(drives.PassThrough(h, &b, kHeaderLength, OutputSizeFor(8))) << c.what;
    EXPECT_EQ(drives.Drive('F')->requests, 0u) << c.what;
    EXPECT_EQ(b.header.ScsiStatus, 0) << c.what;
  }
}

TEST(SimulatedDrivesTest, FaultsOnDemand) {
  SimulatedDrives drives;
  SimulatedDrive camera = Camera();
  camera.faults.shortRequests = {1};
  camera.faults.checkRequests = {2};
  camera.faults.failFrom = 3;
  drives.Insert('F', camera);
  DeviceSession session{drives};
  session.handle = drives.OpenVolume("\\\\.\\F:");
  PassThroughBuffer b{};
  b.header.Cdb[0] = 0xFA, b.header.Cdb[1] = 0x55, b.header.Cdb[2] = 0x66, b.header.Cdb[3] = 0x01;
  ASSERT_TRUE(RawTransfer(session, b, 16));
  EXPECT_EQ(b.header.DataTransferLength, 3u);  // short answer
  EXPECT_EQ(b.data[0], 0xAA);
  std::memset(&b, 0, sizeof b);
  b.header.Cdb[0] = 0x12;
  ASSERT_TRUE(RawTransfer(session, b, 36));  // check condition, still a success
  EXPECT_EQ(b.header.ScsiStatus, 0x02);
  EXPECT_EQ(b.header.DataTransferLength, 0u);
  EXPECT_EQ(b.sense[0], 0x70);
  EXPECT_FALSE(RawTransfer(session, b, 36));  // unplugged from request 3 on
  EXPECT_EQ(drives.OpenVolume("\\\\.\\F:"), kNoHandle);
}

}  // namespace
}  // namespace zul
