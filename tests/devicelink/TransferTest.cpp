// The pass-through request as handed to the system, and the vendor command frame.

#include <gtest/gtest.h>

#include "devicelink/Command.h"
#include "tests/support/ScriptedPort.h"

namespace zul {
namespace {

using test::ScriptedPort;

class TransferTest : public ::testing::Test {
 protected:
  ScriptedPort port;
  DeviceSession session{port};
  void SetUp() override { session.handle = port.OpenVolume("\\\\.\\F:"); }
};

TEST_F(TransferTest, VendorRequestHeaderAndSizes) {
  CommandBlock cdb{};
  cdb[3] = 0xFE;
  cdb[7] = 0x14;
  ReplyBlock reply{};
  ASSERT_TRUE(VendorTransfer(session, cdb, reply));
  ASSERT_EQ(port.seen.size(), 1u);
  const auto& r = port.seen[0];
  EXPECT_EQ(r.inSize, kHeaderLength);
  EXPECT_EQ(r.outSize, kDataOffset + 8);
  const auto h = r.header();
  EXPECT_EQ(h.Length, kHeaderLength);
  EXPECT_EQ(h.PathId, 0);
  EXPECT_EQ(h.TargetId, 1);
  EXPECT_EQ(h.Lun, 0);
  EXPECT_EQ(h.CdbLength, 16);
  EXPECT_EQ(h.SenseInfoLength, 24);
  EXPECT_EQ(h.DataIn, 1);
  EXPECT_EQ(h.DataTransferLength, 8u);
  EXPECT_EQ(h.TimeOutValue, 2u);
  EXPECT_EQ(h.DataBufferOffset, kDataOffset);
  EXPECT_EQ(h.SenseInfoOffset, kSenseOffset);
  const std::uint8_t expected[16] = {0xFA, 0x55, 0x66, 0xFE, 0, 0, 0, 0x14};
  EXPECT_EQ(0, std::memcmp(h.Cdb, expected, 16));
  // The whole rest of the buffer the system may see starts out clear.
  for (std::size_t i = kHeaderLength; i < r.bufferBefore.size(); ++i) {
    ASSERT_EQ(r.bufferBefore[i], 0) << "byte " << i;
  }
}

TEST_F(TransferTest, ReplyIsEightBytesThenZeros) {
  // An eight-character answer stays terminated by byte 8; a short one reads
  // as zeros where nothing arrived.
  for (std::size_t arrived : {8u, 3u, 0u}) {
    port.answer = [arrived](PassThroughBuffer& b) {
      for (std::size_t i = 0; i < arrived; ++i) b.data[i] = static_cast<std::uint8_t>('A' + i);
      return true;
    };
    CommandBlock cdb{};
    ReplyBlock reply;
    reply.fill(0xEE);
    ASSERT_TRUE(VendorTransfer(session, cdb, reply));
    for (std::size_t i = 0; i < 16; ++i) {
      EXPECT_EQ(reply[i], i < arrived ? 'A' + i : 0) << "arrived " << arrived << " byte " << i;
    }
  }
}

TEST_F(TransferTest, FailureLeavesReplyUntouchedButSignsTheBlock) {
  session.handle = kNoHandle;
  CommandBlock cdb{};
  ReplyBlock reply;
  reply.fill(0x5A);
  EXPECT_FALSE(VendorTransfer(session, cdb, reply));
  for (auto b : reply) EXPECT_EQ(b, 0x5A);
  EXPECT_EQ(cdb[0], 0xFA);
  EXPECT_EQ(cdb[1], 0x55);
  EXPECT_EQ(cdb[2], 0x66);
}

TEST_F(TransferTest, CheckConditionStillCountsAsSuccess) {
  port.answer = [](PassThroughBuffer& b) {
    b.header.ScsiStatus = 0x02;
    b.sense[0] = 0x70;
    return true;
  };
  ReplyBlock block{};
  EXPECT_TRUE(IssueCommand(session, CMD_GET_RESOLUTION, block));
  EXPECT_EQ(block, ReplyBlock{});
}

TEST_F(TransferTest, RawTransferUsesCallersCdbAndLength) {
  PassThroughBuffer buffer{};
  buffer.header.Cdb[0] = 0xFA;
  buffer.header.Cdb[3] = 0x01;
  buffer.data[20] = 0x77;  // beyond n: the caller's byte stays
  port.answer = [](PassThroughBuffer& b) {
    b.data[0] = 0xAA;
    return true;
  };
  ASSERT_TRUE(RawTransfer(session, buffer, 16));
  const auto& r = port.seen.back();
  EXPECT_EQ(r.outSize, kDataOffset + 16);
  EXPECT_EQ(r.header().DataTransferLength, 16u);
  EXPECT_EQ(r.header().CdbLength, 16);
  EXPECT_EQ(buffer.header.Cdb[3], 0x01);
  EXPECT_EQ(buffer.data[0], 0xAA);
  EXPECT_EQ(buffer.data[20], 0x77);
}

TEST_F(TransferTest, IssueCommandFrame) {
  ReplyBlock block{};
  for (int i = 0; i < 16; ++i) block[i] = static_cast<std::uint8_t>(0x10 + i);
  port.answer = [](PassThroughBuffer& b) {
    b.data[0] = 1;
    return true;
  };
  ASSERT_TRUE(IssueCommand(session, CMD_GET_SERIAL_NUMBER, block));
  const auto h = port.seen.back().header();
  const std::uint8_t expected[16] = {0xFA, 0x55, 0x66, 0xFE, 0x60, 0x00, 0x00, 0x14,
                                     0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};
  // Bytes 8 to 15 of the caller's block never reach the camera.
  EXPECT_EQ(0, std::memcmp(h.Cdb, expected, 16));
  EXPECT_EQ(block[0], 1);
  for (int i = 1; i < 16; ++i) EXPECT_EQ(block[i], 0);
}

TEST_F(TransferTest, FailedCommandLeavesAllZeroBlock) {
  port.answer = [](PassThroughBuffer&) { return false; };
  ReplyBlock block;
  block.fill(0x01);
  EXPECT_FALSE(IssueCommand(session, CMD_GET_LOGIN_STATE, block));
  EXPECT_EQ(block, ReplyBlock{});
  EXPECT_EQ(session.failedTransfers, 1u);
  port.answer = [](PassThroughBuffer&) { return true; };
  EXPECT_TRUE(IssueCommand(session, CMD_GET_LOGIN_STATE, block));
  EXPECT_EQ(session.failedTransfers, 1u);  // successes leave the count alone
}

TEST_F(TransferTest, ReplyReusedAsArgumentsTravelsUnchanged) {
  port.answer = [](PassThroughBuffer& b) {
    const std::uint8_t r[8] = {0x04, 0x01, 0x04, 0x31, 0x32, 0x00, 0x00, 0x9C};
    std::memcpy(b.data, r, 8);
    return true;
  };
  ReplyBlock block{};
  ASSERT_TRUE(IssueCommand(session, CMD_WRITE_TEXT_CHUNK, block));
  ASSERT_TRUE(IssueCommand(session, CMD_CHECK_PASSWORD, block));
  const auto h = port.seen.back().header();
  const std::uint8_t expected[16] = {0xFA, 0x55, 0x66, 0xFE, 0x66, 0,    0,    0,
                                     0x04, 0x01, 0x04, 0x31, 0x32, 0x00, 0x00, 0x9C};
  EXPECT_EQ(0, std::memcmp(h.Cdb, expected, 16));
}

TEST(CommandCatalogueTest, CodesAndGroups) {
  struct Row {
    std::uint32_t code, expected;
  };
  const Row rows[] = {
      {CMD_SET_RESOLUTION, 0x06000001},     {CMD_SET_LOOP_RECORDING, 0x06000002},
      {CMD_SET_TIME, 0x06000003},           {CMD_SET_DATE, 0x06000004},
      {CMD_ALLOW_DISK_ACCESS, 0x06000005},  {CMD_WRITE_TEXT_CHUNK, 0x06000025},
      {CMD_GET_RESOLUTION, 0x60000001},     {CMD_GET_LOOP_RECORDING, 0x60000002},
      {CMD_QUERY_0D, 0x6000000D},           {CMD_GET_SERIAL_NUMBER, 0x60000014},
      {CMD_GET_LOGIN_STATE, 0x60000018},    {CMD_GET_FIRMWARE_PART1, 0x6000001A},
      {CMD_GET_FIRMWARE_PART2, 0x6000001B}, {CMD_GET_FIRMWARE_PART3, 0x6000001C},
      {CMD_READ_TEXT_CHUNK, 0x60000024},    {CMD_QUERY_28, 0x60000028},
      {CMD_CHECK_PASSWORD, 0x66000000},
  };
  for (const Row& r : rows) EXPECT_EQ(r.code, r.expected);
}

TEST(PassThroughLayoutTest, OffsetsFollowThePlatformHeader) {
  // 32-bit: 44/48/80, output 88 for a vendor command and 116 for the INQUIRY.
  // 64-bit: the larger header moves the areas along.
  if (sizeof(void*) == 4) {
    EXPECT_EQ(kHeaderLength, 44u);
    EXPECT_EQ(OutputSizeFor(8), 88u);
    EXPECT_EQ(OutputSizeFor(36), 116u);
  } else {
    EXPECT_EQ(kHeaderLength, 56u);
    EXPECT_EQ(kSenseOffset, 60u);
    EXPECT_EQ(kDataOffset, 92u);
  }
  EXPECT_EQ(kDataOffset - kSenseOffset, 32u);
  EXPECT_GE(kSenseOffset, kHeaderLength);
}

// Only a GOOD status with no byte at all on a request for data is no answer:
// a check condition or a short answer is the device's, and is taken as such.
TEST(PassThroughLayoutTest, NothingCameBackOnlyWhenAGoodStatusBroughtNoByte) {
  const struct {
    std::uint8_t dataIn;
    std::uint32_t asked, returned;
    std::uint8_t status;
    bool nothing;
  } rows[] = {
      {kDataIn, 8, 0, 0, true},   // Wine's report of a device gone or silent
      {kDataIn, 36, 0, 0, true},  // the same for an INQUIRY
      {kDataIn, 8, 8, 0, false},  // the whole answer
      {kDataIn, 8, 3, 0, false},  // a short answer
      {kDataIn, 8, 0, 2, false},  // CHECK CONDITION without data
      {kDataIn, 0, 0, 0, false},  // nothing asked for
      {0, 8, 0, 0, false},        // data out: nothing to bring back
  };
  for (const auto& r : rows) {
    ScsiPassThroughHeader asked{};
    asked.DataIn = r.dataIn;
    asked.DataTransferLength = r.asked;
    ScsiPassThroughHeader answered = asked;
    answered.DataTransferLength = r.returned;
    answered.ScsiStatus = r.status;
    EXPECT_EQ(NothingCameBack(asked, answered), r.nothing)
        << "asked " << r.asked << ", returned " << r.returned << ", status " << int{r.status};
  }
}

}  // namespace
}  // namespace zul
