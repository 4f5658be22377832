// The gadget's Bulk-Only Transport and SCSI target without a kernel: command
// wrappers in, steps, data and status wrappers out, in front of simulated
// drives as the program uses them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "devicelink/CommandCatalogue.h"
#include "gadget/AllocationProbe.h"
#include "gadget/BulkOnly.h"
#include "gadget/ScsiTarget.h"
#include "simulator/SimulatedDrives.h"

namespace zul::gadget {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Dir { None, In, Out };

Bytes Cbw(const Bytes& cdb, Dir dir, std::uint32_t length, std::uint32_t tag = 0x1234) {
  Bytes w(kCbwLength, 0);
  const std::uint32_t sig = 0x43425355;
  for (int i = 0; i < 4; ++i) {
    w[i] = std::uint8_t(sig >> (8 * i));
    w[4 + i] = std::uint8_t(tag >> (8 * i));
    w[8 + i] = std::uint8_t(length >> (8 * i));
  }
  w[12] = dir == Dir::In ? 0x80 : 0;
  w[14] = std::uint8_t(cdb.size());
  std::memcpy(&w[15], cdb.data(), cdb.size());
  return w;
}

std::uint32_t Residue(const std::array<std::uint8_t, kCswLength>& csw) {
  return csw[8] | csw[9] << 8 | csw[10] << 16 | std::uint32_t(csw[11]) << 24;
}

Bytes Vendor(std::uint32_t code, std::uint8_t arg0 = 0) {
  return {0xFA,
          0x55,
          0x66,
          kVendorMarker,
          std::uint8_t(code >> 24),
          std::uint8_t(code >> 16),
          std::uint8_t(code >> 8),
          std::uint8_t(code),
          arg0,
          0,
          0,
          0,
          0,
          0,
          0,
          0};
}

const Bytes kTestUnitReady = {0x00, 0, 0, 0, 0, 0};
const Bytes kRequestSense = {0x03, 0, 0, 0, 18, 0};
const Bytes kInquiry = {0x12, 0, 0, 0, 36, 0};
const Bytes kReadCapacity = {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0};
Bytes Rw(std::uint8_t op, std::uint32_t lba, std::uint16_t count) {
  return {op,
          0,
          std::uint8_t(lba >> 24),
          std::uint8_t(lba >> 16),
          std::uint8_t(lba >> 8),
          std::uint8_t(lba),
          0,
          std::uint8_t(count >> 8),
          std::uint8_t(count),
          0};
}

struct Exchange {
  Step step;
  Bytes sent;           // the data-in phase as the host got it
  bool haltIn = false;  // bulk-in halted after the data, before the CSW
  std::array<std::uint8_t, kCswLength> csw{};
};

// The host's side of the bulk endpoints. Data-out comes from `out`; past its
// end the host's bytes are left as the buffer holds them (their values do not
// matter), so that gigabytes cost no memory here.
class Host : public BulkEndpoints {
 public:
  explicit Host(const Bytes& out) : out_(out) {}
  bool Read(std::uint8_t* data, std::size_t length) override {
    largestRead = std::max(largestRead, length);
    if (taken < out_.size()) {
      std::copy_n(out_.begin() + taken, std::min<std::uint64_t>(length, out_.size() - taken), data);
    }
    taken += length;
    return true;
  }
  bool Write(const std::uint8_t* data, std::size_t length) override {
    in.insert(in.end(), data, data + length);
    return true;
  }
  void HaltIn() override { inHaltedAt = in.size(); }
  void HaltOut() override {}

  Bytes in;  // all the host got, data and CSW
  std::size_t inHaltedAt = SIZE_MAX;
  std::uint64_t taken = 0;
  std::size_t largestRead = 0;

 private:
  const Bytes& out_;
};

class GadgetTest : public ::testing::Test {
 protected:
  void SetUp() override { Plug(sim::DriveType::Camera, {}); }

  void Plug(sim::DriveType type, sim::FaultPlan plan, LinkFaults link = {}) {
    sim::SimulatedDrive d;
    d.type = type;
    d.camera = std::make_shared<sim::SimulatedCamera>();
    d.faults = std::move(plan);
    drives_.Insert('F', std::move(d));
    DriveLink l;
    l.port = &drives_;
    l.handle = drives_.OpenVolume("\\\\.\\F:");
    l.mediumPresent = [this] { return camera().state.diskAccess; };
    l.nextRequest = [this] { return drives_.Drive('F')->requests + 1; };
    Bytes image(64 * kBlockSize);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = std::uint8_t(i * 7 + i / 512);
    image_ = image;
    target_ = std::make_unique<ScsiTarget>(std::move(l), std::move(image), std::move(link));
    transport_ = std::make_unique<BulkOnlyTransport>(*target_);
  }
  sim::SimulatedCamera& camera() { return *drives_.Drive('F')->camera; }

  // One whole command as the function's loop runs it.
  Exchange Run(const Bytes& cdb, Dir dir, std::uint32_t length, const Bytes& out = {},
               Host* seen = nullptr) {
    Exchange e;
    const Bytes w = Cbw(cdb, dir, length);
    Host local(out);
    Host& host = seen ? *seen : local;
    e.step = transport_->Command(w.data(), w.size());
    if (e.step.kind == Step::Kind::Receive) {
      EXPECT_EQ(e.step.receive, length);
    }
    EXPECT_TRUE(CarryOut(*transport_, e.step, host));
    e.csw = transport_->Status();
    if (e.step.kind != Step::Kind::Status && e.step.kind != Step::Kind::Receive) return e;
    if (e.step.kind == Step::Kind::Receive) {
      EXPECT_EQ(host.taken, length);
    }
    EXPECT_GE(host.in.size(), kCswLength);  // the CSW comes last
    const std::size_t dataEnd = host.in.size() - kCswLength;
    EXPECT_TRUE(std::equal(e.csw.begin(), e.csw.end(), host.in.begin() + dataEnd));
    e.sent.assign(host.in.begin(), host.in.begin() + dataEnd);
    e.haltIn = host.inHaltedAt != SIZE_MAX;
    if (e.haltIn) {
      EXPECT_EQ(host.inHaltedAt, dataEnd);
    }
    return e;
  }
  Bytes SenseKey() {  // key, ASC, ASCQ of REQUEST SENSE
    const Exchange e = Run(kRequestSense, Dir::In, 18);
    return {std::uint8_t(e.sent[2] & 0x0F), e.sent[12], e.sent[13]};
  }

  sim::SimulatedDrives drives_;
  Bytes image_;
  std::unique_ptr<ScsiTarget> target_;
  std::unique_ptr<BulkOnlyTransport> transport_;
};

TEST_F(GadgetTest, StatusWrapperEchoesTagAndInquiryIsTheCamerasOwn) {
  const Bytes w = Cbw(kInquiry, Dir::In, 36, 0xCAFEF00D);
  const Step s = transport_->Command(w.data(), w.size());
  const auto csw = transport_->Status();
  EXPECT_EQ(s.data, sim::InquiryData(sim::DriveType::Camera));
  EXPECT_EQ(s.data[3], 1);  // response data format 1, as the camera's bridge
  EXPECT_EQ(Bytes(csw.begin(), csw.begin() + 8),
            (Bytes{'U', 'S', 'B', 'S', 0x0D, 0xF0, 0xFE, 0xCA}));
  EXPECT_EQ(Residue(csw), 0u);
  EXPECT_EQ(csw[12], kCswPassed);
  EXPECT_EQ(drives_.Drive('F')->requests, 1u);  // the drive counted it, as under simulation
}

// The thirteen cases of the phase rules, as far as the commands here reach them.
TEST_F(GadgetTest, PhaseRules) {
  camera().state.diskAccess = true;
  Run(kTestUnitReady, Dir::None, 0);  // takes the unit attention
  const Bytes block(kBlockSize, 0xAB);
  struct Case {
    const char* name;
    Bytes cdb;
    Dir dir;
    std::uint32_t length;
    Bytes out;
    std::size_t sent;  // bytes of the data-in phase
    bool halt;         // then bulk-in halted
    std::uint32_t residue;
    std::uint8_t status;
  } cases[] = {
      {"Hn = Dn", kTestUnitReady, Dir::None, 0, {}, 0, false, 0, kCswPassed},
      {"Hi > Dn", kTestUnitReady, Dir::In, 512, {}, 0, true, 512, kCswPassed},
      {"Ho > Dn", kTestUnitReady, Dir::Out, 512, Bytes(512), 0, false, 512, kCswPassed},
      {"Hn < Di", kReadCapacity, Dir::None, 0, {}, 0, false, 0, kCswPhaseError},
      {"Hi > Di", kReadCapacity, Dir::In, 64, {}, 8, true, 56, kCswPassed},
      {"Hi = Di", kReadCapacity, Dir::In, 8, {}, 8, false, 0, kCswPassed},
      {"Hi < Di", kReadCapacity, Dir::In, 4, {}, 4, false, 0, kCswPhaseError},
      {"Ho <> Di", kReadCapacity, Dir::Out, 8, Bytes(8), 0, false, 8, kCswPhaseError},
      {"Hn < Do", Rw(0x2A, 0, 1), Dir::None, 0, {}, 0, false, 0, kCswPhaseError},
      {"Hi <> Do", Rw(0x2A, 0, 1), Dir::In, 512, {}, 0, true, 512, kCswPhaseError},
      {"Ho > Do", Rw(0x2A, 0, 1), Dir::Out, 1024, Bytes(1024, 0xAB), 0, false, 512, kCswPassed},
      {"Ho = Do", Rw(0x2A, 1, 1), Dir::Out, 512, block, 0, false, 0, kCswPassed},
      {"Ho < Do", Rw(0x2A, 2, 2), Dir::Out, 512, block, 0, false, 512, kCswPhaseError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Exchange e = Run(c.cdb, c.dir, c.length, c.out);
    EXPECT_EQ(e.step.kind, c.dir == Dir::Out ? Step::Kind::Receive : Step::Kind::Status);
    EXPECT_EQ(e.sent.size(), c.sent);
    EXPECT_EQ(e.haltIn, c.halt);
    EXPECT_EQ(Residue(e.csw), c.residue);
    EXPECT_EQ(e.csw[12], c.status);
  }
  // What was written whole is there; the write cut short left block 2 alone.
  EXPECT_EQ(Bytes(target_->Image().begin() + 512, target_->Image().begin() + 1024), block);
  EXPECT_EQ(Bytes(target_->Image().begin() + 1024, target_->Image().begin() + 1536),
            Bytes(image_.begin() + 1024, image_.begin() + 1536));
}

// A small board's memory: no allocation of more than this while one command
// is handled.
constexpr std::size_t kBoardMemory = 16 << 20;

// A length the host claims sizes nothing: wrappers of nearly 4 GiB each way
// are answered with what there is, their data-out taken and dropped, under
// the board's memory.
TEST_F(GadgetTest, HostLengthSizesNoBuffer) {
  camera().state.diskAccess = true;
  Run(kTestUnitReady, Dir::None, 0);  // takes the unit attention
  constexpr std::uint32_t kHuge = 0xFFFFFFF0;
  const Bytes block(kBlockSize, 0x5C);
  struct Case {
    const char* name;
    Bytes cdb;
    Dir dir;
    Bytes out;
    std::size_t sent;
    std::uint32_t residue;
    std::uint8_t status;
  } cases[] = {
      {"TEST UNIT READY, data-in", kTestUnitReady, Dir::In, {}, 0, kHuge, kCswPassed},
      {"TEST UNIT READY, data-out", kTestUnitReady, Dir::Out, {}, 0, kHuge, kCswPassed},
      {"READ(10), 2 blocks", Rw(0x28, 3, 2), Dir::In, {}, 1024, kHuge - 1024, kCswPassed},
      {"WRITE(10), 1 block", Rw(0x2A, 5, 1), Dir::Out, block, 0, kHuge - 512, kCswPassed},
      {"WRITE(10), data-in", Rw(0x2A, 6, 1), Dir::In, {}, 0, kHuge, kCswPhaseError},
      {"camera block", Vendor(CMD_GET_SERIAL_NUMBER), Dir::In, {}, 8, kHuge - 8, kCswPassed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Host host(c.out);
    Exchange e;
    {
      AllocationProbe probe(kBoardMemory);
      EXPECT_NO_THROW(e = Run(c.cdb, c.dir, kHuge, c.out, &host));
      EXPECT_LE(probe.Largest(), kBoardMemory);
    }
    EXPECT_LE(host.largestRead, kDataPiece);
    EXPECT_EQ(e.haltIn, c.dir == Dir::In);  // short of 4 GiB, always
    EXPECT_EQ(e.sent.size(), c.sent);
    EXPECT_EQ(Residue(e.csw), c.residue);
    EXPECT_EQ(e.csw[12], c.status);
    EXPECT_EQ(e.csw[4], 0x34);  // the tag
  }
  // The write kept its block and nothing of the rest; block 6 is as it was.
  EXPECT_EQ(Bytes(target_->Image().begin() + 5 * 512, target_->Image().begin() + 6 * 512), block);
  EXPECT_EQ(Bytes(target_->Image().begin() + 6 * 512, target_->Image().begin() + 7 * 512),
            Bytes(image_.begin() + 6 * 512, image_.begin() + 7 * 512));
  EXPECT_EQ(Run(kTestUnitReady, Dir::None, 0).csw[12], kCswPassed);
}

TEST_F(GadgetTest, InvalidWrapperHaltsUntilResetRecovery) {
  Bytes bad = Cbw(kTestUnitReady, Dir::None, 0);
  bad[0] = 'X';
  Bytes lun1 = Cbw(kTestUnitReady, Dir::None, 0);
  lun1[13] = 1;
  for (const Bytes& w : {bad, lun1, Bytes(bad.begin(), bad.begin() + 30)}) {
    transport_->Reset();
    EXPECT_EQ(transport_->Command(w.data(), w.size()).kind, Step::Kind::HaltBoth);
    // Even a good wrapper waits for the reset.
    EXPECT_EQ(Run(kInquiry, Dir::In, 36).step.kind, Step::Kind::HaltBoth);
    EXPECT_TRUE(transport_->WaitingForReset());
  }
  transport_->Reset();
  EXPECT_EQ(Run(kInquiry, Dir::In, 36).csw[12], kCswPassed);
}

TEST_F(GadgetTest, NoMediumUntilDiskAccessThenUnitAttentionThenTheImage) {
  for (const Bytes& cdb : {kTestUnitReady, kReadCapacity, Rw(0x28, 0, 1)}) {
    const Exchange e = Run(cdb, Dir::In, cdb[0] == 0x28 ? 512 : 8);
    EXPECT_EQ(e.csw[12], kCswFailed);
    EXPECT_EQ(SenseKey(), (Bytes{0x02, 0x3A, 0x00})) << int(cdb[0]);
  }
  // The camera opens its storage on the vendor command, passed on unchanged.
  EXPECT_EQ(Run(Vendor(CMD_ALLOW_DISK_ACCESS), Dir::In, 8).csw[12], kCswPassed);
  EXPECT_TRUE(camera().state.diskAccess);

  EXPECT_EQ(Run(kTestUnitReady, Dir::None, 0).csw[12], kCswFailed);
  EXPECT_EQ(SenseKey(), (Bytes{0x06, 0x28, 0x00}));
  EXPECT_EQ(SenseKey(), (Bytes{0x00, 0x00, 0x00}));  // read once, then gone
  EXPECT_EQ(Run(kTestUnitReady, Dir::None, 0).csw[12], kCswPassed);
  EXPECT_EQ(Run(kReadCapacity, Dir::In, 8).sent, (Bytes{0, 0, 0, 63, 0, 0, 2, 0}));
  const Exchange read = Run(Rw(0x28, 3, 2), Dir::In, 1024);
  EXPECT_EQ(read.csw[12], kCswPassed);
  EXPECT_EQ(read.sent, Bytes(image_.begin() + 3 * 512, image_.begin() + 5 * 512));

  EXPECT_EQ(Run(Rw(0x28, 63, 2), Dir::In, 1024).csw[12], kCswFailed);
  EXPECT_EQ(SenseKey(), (Bytes{0x05, 0x21, 0x00}));  // beyond the last block

  camera().Connected();  // pulled out and plugged in: storage closed again
  EXPECT_EQ(Run(kTestUnitReady, Dir::None, 0).csw[12], kCswFailed);
  EXPECT_EQ(SenseKey(), (Bytes{0x02, 0x3A, 0x00}));
}

TEST_F(GadgetTest, OtherCommandsAnsweredLocallyAndUnknownOnesRefused) {
  const std::size_t before = drives_.Drive('F')->requests;
  struct Case {
    Bytes cdb;
    std::uint32_t length;
    std::uint8_t status;
    Bytes sense;
    std::size_t dataBytes;
  } cases[] = {
      {{0x1A, 0, 0x3F, 0, 192, 0}, 192, kCswPassed, {0, 0, 0}, 4},              // MODE SENSE(6)
      {{0x5A, 0, 0x3F, 0, 0, 0, 0, 0, 192, 0}, 192, kCswPassed, {0, 0, 0}, 8},  // MODE SENSE(10)
      {{0x1E, 0, 0, 0, 1, 0}, 0, kCswPassed, {0, 0, 0}, 0},                     // PREVENT
      {{0x1B, 0, 0, 0, 1, 0}, 0, kCswPassed, {0, 0, 0}, 0},                     // START STOP
      {{0x12, 1, 0x80, 0, 36, 0}, 36, kCswFailed, {0x05, 0x24, 0}, 0},          // VPD page
      {{0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, kCswFailed, {0x05, 0x20, 0}, 0},   // SYNC CACHE
      {{0x23, 0, 0, 0, 0, 0, 0, 0, 252, 0},
       252,
       kCswFailed,
       {0x05, 0x20, 0},
       0},  // READ FORMAT CAP.
      {{0xFA, 0x55, 0x66, 0xFE, 0, 0, 0, 0, 0, 0}, 8, kCswFailed, {0x05, 0x20, 0}, 0},  // 10 bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.cdb[0]));
    const Exchange e = Run(c.cdb, c.length ? Dir::In : Dir::None, c.length);
    EXPECT_EQ(e.csw[12], c.status);
    EXPECT_EQ(Residue(e.csw), c.length - c.dataBytes);
    EXPECT_EQ(SenseKey(), c.sense);
  }
  EXPECT_EQ(drives_.Drive('F')->requests, before);  // none of them reached the camera
}

TEST_F(GadgetTest, VendorBlocksReachTheCameraUnchanged) {
  sim::SimulatedCamera twin = camera();
  const Bytes blocks[] = {Vendor(CMD_GET_SERIAL_NUMBER), Vendor(CMD_SET_RESOLUTION, 1),
                          Vendor(CMD_GET_RESOLUTION), Vendor(0x60000099)};
  for (const Bytes& cdb : blocks) {
    const Exchange e = Run(cdb, Dir::In, 8);
    sim::SimulatedCamera::Bytes args;
    std::copy_n(cdb.begin() + 8, 8, args.begin());
    const auto want =
        twin.Answer(std::uint32_t(cdb[4]) << 24 | cdb[5] << 16 | cdb[6] << 8 | cdb[7], args);
    EXPECT_EQ(e.sent, Bytes(want.begin(), want.end()));
    EXPECT_EQ(e.csw[12], kCswPassed);
  }
  EXPECT_EQ(camera().state.resolution, 1);
  // The identification request: the camera's answer, 16 bytes.
  const Bytes identify = {0xFA, 0x55, 0x66, kIdentifyMarker, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Bytes(Run(identify, Dir::In, 16).sent).at(0), 0xAA);
}

TEST_F(GadgetTest, ImpostorAnswersInquiryAsTheCameraAndFailsIdentification) {
  Plug(sim::DriveType::Impostor, {});
  EXPECT_EQ(Run(kInquiry, Dir::In, 36).sent, sim::InquiryData(sim::DriveType::Camera));
  const Bytes identify = {0xFA, 0x55, 0x66, kIdentifyMarker, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const Exchange e = Run(identify, Dir::In, 16);
  EXPECT_EQ(e.csw[12], kCswPassed);
  EXPECT_EQ(Bytes(e.sent.begin(), e.sent.begin() + 2), (Bytes{0x55, 0xAA}));
  EXPECT_EQ(Run(Vendor(CMD_GET_SERIAL_NUMBER), Dir::In, 8).csw[12], kCswFailed);
  EXPECT_EQ(Run(kTestUnitReady, Dir::None, 0).csw[12], kCswFailed);  // never a medium
}

// Faults of the scenario by request number, as the simulation has them, and
// the ones only a link has.
TEST_F(GadgetTest, FaultsByRequestNumber) {
  sim::FaultPlan plan;
  plan.checkRequests = {2};
  plan.failRequests = {3};
  plan.shortRequests = {4};
  plan.shortLength = 3;
  LinkFaults link;
  link.stall = {5};
  link.unplugAt = 8;
  link.silentFrom = 7;
  Plug(sim::DriveType::Camera, plan, link);
  const Bytes serial = Vendor(CMD_GET_SERIAL_NUMBER);
  EXPECT_EQ(Run(serial, Dir::In, 8).csw[12], kCswPassed);  // 1
  const Exchange check = Run(serial, Dir::In, 8);          // 2
  EXPECT_EQ(check.csw[12], kCswFailed);
  EXPECT_EQ(Residue(check.csw), 8u);
  EXPECT_EQ(SenseKey(), (Bytes{0x05, 0x20, 0x00}));            // the drive's own sense
  EXPECT_EQ(Run(serial, Dir::In, 8).csw[12], kCswPhaseError);  // 3: the request failed
  const Exchange shortened = Run(serial, Dir::In, 8);          // 4
  EXPECT_EQ(shortened.csw[12], kCswPassed);
  EXPECT_EQ(Residue(shortened.csw), 5u);
  const Exchange stalled = Run(serial, Dir::In, 8);  // 5
  EXPECT_TRUE(stalled.haltIn);
  EXPECT_TRUE(stalled.sent.empty());
  EXPECT_EQ(stalled.csw[12], kCswFailed);
  EXPECT_EQ(Residue(stalled.csw), 8u);
  EXPECT_EQ(SenseKey(), (Bytes{0x04, 0x44, 0x00}));
  EXPECT_EQ(drives_.Drive('F')->requests, 5u);             // the stalled one reached the drive
  EXPECT_EQ(Run(serial, Dir::In, 8).csw[12], kCswPassed);  // 6: answered again
  // Storage commands are the gadget's own and do not count.
  EXPECT_EQ(Run(kTestUnitReady, Dir::None, 0).step.kind, Step::Kind::Status);
  EXPECT_EQ(Run(serial, Dir::In, 8).step.kind, Step::Kind::Ignore);  // 7 on: silent
  EXPECT_EQ(Run(kTestUnitReady, Dir::None, 0).step.kind, Step::Kind::Status);
  drives_.Drive('F')->requests = 7;
  EXPECT_EQ(Run(serial, Dir::In, 8).step.kind, Step::Kind::Unplug);
}

}  // namespace
}  // namespace zul::gadget
