// The Linux port against a stand-in kernel: how the pass-through header
// becomes one SG_IO request, what comes back into the buffer, and that a
// failure leaves the buffer as it was.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "devicelink/PassThroughBuffer.h"
#include "devicelink/linux/LinuxSgPort.h"
#include "tests/support/FakeLinuxKernel.h"

namespace zul {
namespace {

using test::FakeKernel;
using test::KernelReply;
using test::SeenRequest;

std::unique_ptr<PassThroughBuffer> Filled() {
  auto b = std::make_unique<PassThroughBuffer>();
  std::memset(b.get(), 0xEE, sizeof *b);
  return b;
}

// The bytes of the buffer that differ from before, by offset.
std::vector<std::size_t> Changed(const PassThroughBuffer& before, const PassThroughBuffer& after) {
  std::vector<std::size_t> changed;
  const auto* a = reinterpret_cast<const std::uint8_t*>(&before);
  const auto* b = reinterpret_cast<const std::uint8_t*>(&after);
  for (std::size_t i = 0; i < sizeof before; ++i) {
    if (a[i] != b[i]) changed.push_back(i);
  }
  return changed;
}

bool InArea(std::size_t i, std::size_t offset, std::size_t length) {
  return i >= offset && i < offset + length;
}

struct MappingCase {
  const char* name;
  std::uint8_t cdbLength;
  std::uint8_t dataIn;
  std::uint32_t length;
  KernelReply reply;
  int direction;
  std::uint32_t moved;
  std::uint8_t senseLength;
};

class PortMapping : public testing::TestWithParam<MappingCase> {};

TEST_P(PortMapping, HeaderBecomesOneSgIoAndTheAnswerComesBackInPlace) {
  const MappingCase& c = GetParam();
  FakeKernel kernel;
  kernel.nextFd = 5;
  kernel.reply = c.reply;
  LinuxSgPort port(kernel, "/nonexistent");
  const VolumeHandle h = port.OpenVolume("/dev/sg3");
  ASSERT_NE(h, kNoHandle);
  EXPECT_EQ(kernel.lastFlags & (O_RDWR | O_NONBLOCK | O_ACCMODE), O_RDWR | O_NONBLOCK);

  auto b = Filled();
  FillPassThroughHeader(*b, c.cdbLength, c.length);
  b->header.DataIn = c.dataIn;
  for (std::uint8_t i = 0; i < 16; ++i) b->header.Cdb[i] = static_cast<std::uint8_t>(0xA0 + i);
  for (std::uint32_t i = 0; i < c.length; ++i) b->data[i] = static_cast<std::uint8_t>(i);
  const auto before = std::make_unique<PassThroughBuffer>(*b);
  const std::uint32_t inSize = c.dataIn == 0 ? OutputSizeFor(c.length) : kHeaderLength;
  ASSERT_TRUE(port.PassThrough(h, b.get(), inSize, OutputSizeFor(c.length)));

  ASSERT_EQ(kernel.seen.size(), 1u);
  const SeenRequest& r = kernel.seen[0];
  EXPECT_EQ(r.fd, 5);
  EXPECT_EQ(r.interfaceId, 'S');
  EXPECT_EQ(r.direction, c.direction);
  EXPECT_EQ(r.cdb, std::vector<std::uint8_t>(before->header.Cdb, before->header.Cdb + c.cdbLength));
  EXPECT_EQ(r.dxferLen, c.length);
  EXPECT_EQ(r.timeout, kTimeOutSeconds * 1000);
  EXPECT_EQ(r.mxSbLen, kSenseInfoLength);
  if (c.dataIn == 0) {
    EXPECT_EQ(r.dataOut, std::vector<std::uint8_t>(before->data, before->data + c.length));
  }

  EXPECT_EQ(b->header.ScsiStatus, c.reply.status);
  EXPECT_EQ(b->header.DataTransferLength, c.moved);
  EXPECT_EQ(b->header.SenseInfoLength, c.senseLength);
  if (c.dataIn == 1 && c.moved > 0) {
    EXPECT_EQ(0, std::memcmp(b->data, c.reply.data.data(), c.moved));
  }
  if (c.senseLength > 0) {
    EXPECT_EQ(0, std::memcmp(b->sense, c.reply.sense.data(), c.senseLength));
  }
  for (const std::size_t i : Changed(*before, *b)) {
    const bool allowed = i == offsetof(ScsiPassThroughHeader, ScsiStatus) ||
                         i == offsetof(ScsiPassThroughHeader, SenseInfoLength) ||
                         InArea(i, offsetof(ScsiPassThroughHeader, DataTransferLength), 4) ||
                         InArea(i, kSenseOffset, c.senseLength) ||
                         (c.dataIn == 1 && InArea(i, kDataOffset, c.moved));
    EXPECT_TRUE(allowed) << "byte " << i << " written";
  }
  port.CloseVolume(h);
  EXPECT_EQ(kernel.closed, std::vector<int>{5});
}

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t first) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(first + i);
  return v;
}

// A request the device finished.
KernelReply Done(std::vector<std::uint8_t> data, int resid = 0, unsigned char status = 0,
                 std::vector<std::uint8_t> sense = {}) {
  KernelReply r;
  r.data = std::move(data);
  r.resid = resid;
  r.status = status;
  r.sense = std::move(sense);
  r.driver = r.sense.empty() ? 0 : 0x08;  // DRIVER_SENSE
  return r;
}

// A request the ioctl refused.
KernelReply Refused(int error) {
  KernelReply r;
  r.rc = -error;
  return r;
}

// A request the host adapter or the driver gave up on, with data on the way.
KernelReply Broken(unsigned short host, unsigned short driver) {
  KernelReply r = Done(Bytes(16, 1));
  r.host = host;
  r.driver = driver;
  return r;
}

const std::vector<std::uint8_t> kSense = {0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x24, 0};

INSTANTIATE_TEST_SUITE_P(
    Requests, PortMapping,
    testing::Values(
        MappingCase{"Inquiry", 6, 1, 36, Done(Bytes(36, 0x10)), SG_DXFER_FROM_DEV, 36, 0},
        MappingCase{"Vendor16", 16, 1, 16, Done(Bytes(16, 0x30)), SG_DXFER_FROM_DEV, 16, 0},
        // Eight of sixteen bytes arrived: the residue is what did not.
        MappingCase{"Vendor8", 16, 1, 16, Done(Bytes(8, 0x40), 8), SG_DXFER_FROM_DEV, 8, 0},
        MappingCase{"DataOut", 16, 0, 512, Done({}), SG_DXFER_TO_DEV, 512, 0},
        MappingCase{"NoData", 6, 1, 0, Done({}), SG_DXFER_NONE, 0, 0},
        // A check condition is a finished request, with its sense.
        MappingCase{"CheckCondition", 16, 1, 16, Done({}, 16, 0x02, kSense), SG_DXFER_FROM_DEV, 0,
                    14},
        // More sense than the header has room for is cut to the area.
        MappingCase{"SenseCut", 16, 1, 16, Done({}, 16, 0x02, Bytes(40, 1)), SG_DXFER_FROM_DEV, 0,
                    kSenseInfoLength},
        // A residue larger than the request moves nothing, and no more.
        MappingCase{"OddResidue", 16, 1, 16, Done({}, 99), SG_DXFER_FROM_DEV, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  KernelReply reply;
  DeviceFailure failure;
  std::uint32_t error;
};

class PortFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(PortFailure, FalseWithTheReasonAndTheBufferUntouched) {
  const FailureCase& c = GetParam();
  FakeKernel kernel;
  kernel.reply = c.reply;
  LinuxSgPort port(kernel, "/nonexistent");
  const VolumeHandle h = port.OpenVolume("/dev/sg1");
  auto b = Filled();
  FillPassThroughHeader(*b, 16, 16);
  const auto before = std::make_unique<PassThroughBuffer>(*b);
  SetLastDeviceError({});
  EXPECT_FALSE(port.PassThrough(h, b.get(), kHeaderLength, OutputSizeFor(16)));
  EXPECT_EQ(LastDeviceError().failure, c.failure);
  EXPECT_EQ(LastDeviceError().systemError, c.error);
  EXPECT_TRUE(Changed(*before, *b).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, PortFailure,
    testing::Values(FailureCase{"DeviceGoneIoctl", Refused(ENODEV), DeviceFailure::NotFound,
                                ENODEV},
                    FailureCase{"IoError", Refused(EIO), DeviceFailure::Other, EIO},
                    FailureCase{"HostTimeOut", Broken(0x03, 0), DeviceFailure::Other, ETIMEDOUT},
                    FailureCase{"HostNoConnect", Broken(0x01, 0), DeviceFailure::NotFound, ENODEV},
                    FailureCase{"HostReset", Broken(0x08, 0), DeviceFailure::Other, EIO},
                    FailureCase{"HostError", Broken(0x07, 0), DeviceFailure::Other, EIO},
                    FailureCase{"DriverTimeout", Broken(0, 0x06), DeviceFailure::Other, ETIMEDOUT}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinuxSgPortTest, HeadersThatDoNotHoldTogetherAreRefusedUnsent) {
  struct {
    const char* name;
    void (*spoil)(ScsiPassThroughHeader&);
    std::uint32_t outSize;
  } cases[] = {
      {"data beyond the output", [](ScsiPassThroughHeader&) {}, OutputSizeFor(15)},
      {"output smaller than the header", [](ScsiPassThroughHeader&) {}, kHeaderLength - 1},
      {"sense beyond the output",
       [](ScsiPassThroughHeader& h) { h.SenseInfoOffset = OutputSizeFor(16) - 4; },
       OutputSizeFor(16)},
      {"data offset that wraps",
       [](ScsiPassThroughHeader& h) { h.DataBufferOffset = ~std::uintptr_t{0} - 7; },
       OutputSizeFor(16)},
      {"data inside the header", [](ScsiPassThroughHeader& h) { h.DataBufferOffset = 8; },
       OutputSizeFor(16)},
      {"command block of 17", [](ScsiPassThroughHeader& h) { h.CdbLength = 17; },
       OutputSizeFor(16)},
      {"unknown direction", [](ScsiPassThroughHeader& h) { h.DataIn = 3; }, OutputSizeFor(16)},
      {"wrong header length", [](ScsiPassThroughHeader& h) { h.Length = 44 + 56 - kHeaderLength; },
       OutputSizeFor(16)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeKernel kernel;
    LinuxSgPort port(kernel, "/nonexistent");
    const VolumeHandle h = port.OpenVolume("/dev/sg1");
    auto b = Filled();
    FillPassThroughHeader(*b, 16, 16);
    c.spoil(b->header);
    const auto before = std::make_unique<PassThroughBuffer>(*b);
    EXPECT_FALSE(port.PassThrough(h, b.get(), kHeaderLength, c.outSize));
    EXPECT_EQ(LastDeviceError().systemError, static_cast<std::uint32_t>(EINVAL));
    EXPECT_TRUE(kernel.seen.empty());
    EXPECT_TRUE(Changed(*before, *b).empty());
  }
}

TEST(LinuxSgPortTest, OpenFailuresSayWhy) {
  const struct {
    int error;
    DeviceFailure failure;
  } cases[] = {{EACCES, DeviceFailure::AccessDenied}, {EPERM, DeviceFailure::AccessDenied},
               {ENOENT, DeviceFailure::NotFound},     {ENXIO, DeviceFailure::NotFound},
               {ENODEV, DeviceFailure::NotFound},     {EBUSY, DeviceFailure::Other}};
  for (const auto& c : cases) {
    FakeKernel kernel;
    kernel.openErrors["/dev/sg4"] = c.error;  // gone, or locked, since the scan named it
    LinuxSgPort port(kernel, "/nonexistent");
    EXPECT_EQ(port.OpenVolume("/dev/sg4"), kNoHandle);
    EXPECT_EQ(LastDeviceError().failure, c.failure) << c.error;
    EXPECT_EQ(LastDeviceError().systemError, static_cast<std::uint32_t>(c.error));
  }
  FakeKernel kernel;
  LinuxSgPort port(kernel, "/nonexistent");
  PassThroughBuffer b{};
  EXPECT_FALSE(port.PassThrough(kNoHandle, &b, kHeaderLength, OutputSizeFor(0)));
  port.CloseVolume(kNoHandle);
  EXPECT_TRUE(kernel.closed.empty());
}

}  // namespace
}  // namespace zul
