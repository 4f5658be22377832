// The sg nodes, block devices and mount points as sysfs and mountinfo show
// them, over a tree of the test's own; and a scan over it through the port.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "cli/LinuxStorage.h"
#include "devicelink/CommandCatalogue.h"
#include "devicelink/Discovery.h"
#include "devicelink/linux/LinuxSgPort.h"
#include "devicelink/linux/LinuxSysfs.h"
#include "tests/support/FakeLinuxKernel.h"
#include "tests/support/Files.h"

namespace zul {
namespace {
namespace fs = std::filesystem;

// A small sysfs: sg0 on a SATA disk, sg9 and sg10 on USB (sdc and sdb, the
// latter with one partition), sg11 on USB with no block device, and an entry
// that is no sg node.
class FakeSysfs : public testing::Test {
 protected:
  void SetUp() override {
    Device("sg0", "devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0", "sda", "8:0");
    Device("sg9", "devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host7/target7:0:0/7:0:0:0",
           "sdc", "8:32");
    const fs::path usb2 = "devices/pci0000:00/0000:00:14.0/usb2/2-1";
    Device("sg10", usb2 / "2-1:1.0/host6/target6:0:0/6:0:0:0", "sdb", "8:16");
    Write(usb2 / "idVendor", "1209\n");
    Write(usb2 / "idProduct", "7a01\n");
    Partition(usb2 / "2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb", "sdb1", "8:17");
    Device("sg11", "devices/platform/dummy_hcd.0/usb3/3-1/3-1:1.0/host8/target8:0:0/8:0:0:0", "",
           "");
    fs::create_directories(root / "class/scsi_generic/sgx");
  }

  void Write(const fs::path& relative, const std::string& text) {
    fs::create_directories((root / relative).parent_path());
    std::ofstream(root / relative) << text;
  }
  void Device(const std::string& sg, const fs::path& device, const std::string& block,
              const std::string& dev) {
    fs::create_directories(root / device / "scsi_generic" / sg);
    fs::create_directories(root / "class/scsi_generic" / sg);
    fs::create_directory_symlink(root / device, root / "class/scsi_generic" / sg / "device");
    if (block.empty()) return;
    Write(device / "block" / block / "dev", dev + "\n");
    fs::create_directories(root / "class/block");
    fs::create_directory_symlink(root / device / "block" / block, root / "class/block" / block);
    fs::create_directory_symlink(root / device, root / device / "block" / block / "device");
    Write(device / "block" / block / "size", "4096\n");  // a medium of 2 MiB
  }
  void Partition(const fs::path& disk, const std::string& name, const std::string& dev) {
    Write(disk / name / "partition", "1\n");
    Write(disk / name / "dev", dev + "\n");
    fs::create_directory_symlink(root / disk / name, root / "class/block" / name);
  }

  const test::ScratchDir scratch_{"sysfs-"};
  const fs::path root = scratch_.path();
};

TEST_F(FakeSysfs, UsbNodesOnlyInNumericOrder) {
  EXPECT_EQ(UsbSgNodes(root.string()), (std::vector<std::string>{"sg9", "sg10", "sg11"}));
  test::FakeKernel kernel;
  LinuxSgPort port(kernel, root.string());
  EXPECT_EQ(port.Candidates(),
            (std::vector<DeviceCandidate>{
                {"/dev/sg9", "/dev/sg9"}, {"/dev/sg10", "/dev/sg10"}, {"/dev/sg11", "/dev/sg11"}}));
  EXPECT_TRUE(UsbSgNodes((root / "nothing").string()).empty());
}

TEST_F(FakeSysfs, BlockDevicesBothWays) {
  const std::string r = root.string();
  EXPECT_EQ(BlockDeviceOf(r, "/dev/sg10"), "/dev/sdb");
  EXPECT_EQ(BlockDeviceOf(r, "sg9"), "/dev/sdc");
  EXPECT_EQ(BlockDeviceOf(r, "/dev/sg11"), "");
  EXPECT_EQ(BlockDeviceOf(r, "/dev/sg42"), "");
  EXPECT_EQ(SgNodeOfBlock(r, "/dev/sdb"), "/dev/sg10");
  EXPECT_EQ(SgNodeOfBlock(r, "/dev/sdb1"), "/dev/sg10");
  EXPECT_EQ(SgNodeOfBlock(r, "/dev/sdz"), "");
  EXPECT_EQ(SgNodeOfBlock(r, "sdb"), "");
  EXPECT_EQ(PartitionsOf(r, "/dev/sdb"), std::vector<std::string>{"/dev/sdb1"});
  EXPECT_TRUE(PartitionsOf(r, "/dev/sdc").empty());
  EXPECT_EQ(UsbIdsOf(r, "/dev/sg10"), (UsbIds{"1209", "7a01"}));
  EXPECT_EQ(UsbIdsOf(r, "/dev/sg0"), std::nullopt);
}

TEST_F(FakeSysfs, MountPointsFromMountInfo) {
  const char* mountinfo =
      "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
      "36 22 8:17 / /media/op/CAM\\040DISK rw,nosuid shared:7 - vfat /dev/sdb1 rw\n"
      "37 22 0:50 / /mnt/by\\134name rw - fuse /dev/sdc rw\n"
      "broken line\n"
      "38 22 8:33 / /mnt/x rw - vfat\n";
  const std::vector<MountEntry> mounts = ParseMountInfo(mountinfo);
  ASSERT_EQ(mounts.size(), 3u);
  EXPECT_EQ(mounts[1].mountPoint, "/media/op/CAM DISK");
  EXPECT_EQ(mounts[1].source, "/dev/sdb1");
  EXPECT_EQ(mounts[2].mountPoint, "/mnt/by\\name");
  const std::string r = root.string();
  // sdb1 by its device number, sdc by its source name.
  EXPECT_EQ(MountPointsOf(r, "/dev/sdb", mounts), std::vector<std::string>{"/media/op/CAM DISK"});
  EXPECT_EQ(MountPointsOf(r, "/dev/sdc", mounts), std::vector<std::string>{"/mnt/by\\name"});
  EXPECT_TRUE(MountPointsOf(r, "/dev/sdd", mounts).empty());
}

TEST_F(FakeSysfs, ScanWalksTheUsbNodesAndNamesTheRefusedOnes) {
  test::FakeKernel kernel;
  kernel.openErrors["/dev/sg9"] = EACCES;
  kernel.answer = [](const std::string& path, const std::vector<std::uint8_t>& cdb) {
    test::KernelReply r;
    if (cdb[0] == kInquiryOpcode) {
      r.data = {0, 0, 0, 0x01};
    } else if (path == "/dev/sg10") {
      r.data = {0xAA, 0x55};
    }
    return r;
  };
  LinuxSgPort port(kernel, root.string());
  DeviceSession session{port};
  ScanReport report;
  ASSERT_TRUE(DiscoverCamera(session, &report));
  EXPECT_EQ(session.devicePath, "/dev/sg10");
  EXPECT_EQ(session.deviceName, "/dev/sg10");
  EXPECT_EQ(report.denied, std::vector<std::string>{"/dev/sg9"});
  session.ReleaseHandle();

  kernel.openErrors["/dev/sg10"] = ENOENT;  // unplugged since the candidates were named
  report = {};
  EXPECT_FALSE(DiscoverCamera(session, &report));
  EXPECT_EQ(session.handle, kNoHandle);
  EXPECT_EQ(report.denied, std::vector<std::string>{"/dev/sg9"});
  EXPECT_EQ(kernel.paths.size(), kernel.closed.size());
}

TEST_F(FakeSysfs, StorageIsNamedAfterTheRelease) {
  Write("mountinfo", "36 22 8:17 / /media/op/CAM\\040DISK rw shared:7 - vfat /dev/sdb1 rw\n");
  test::FakeKernel kernel;
  cli::LinuxStorage storage(kernel, root.string(), (root / "mountinfo").string(),
                            std::chrono::milliseconds(0));
  EXPECT_EQ(storage.ReleaseStorage("/dev/sg10").line,
            "Storage opened on /dev/sdb (mounted at /media/op/CAM DISK)");
  EXPECT_EQ(kernel.paths.at(0), "/dev/sdb");  // reopened to have the partitions read again
  EXPECT_EQ(kernel.closed, std::vector<int>{0});
  EXPECT_EQ(storage.ReleaseStorage("/dev/sg9").line,
            "Storage opened on /dev/sdc; mount it with: udisksctl mount -b /dev/sdc");
  EXPECT_EQ(storage.ReleaseStorage("/dev/sg11").line, "Storage opened on /dev/sg11");

  const cli::StorageInfo info = storage.Describe("/dev/sg10");
  EXPECT_EQ(info.blockDevice, "/dev/sdb");
  EXPECT_EQ(info.mountPoints, std::vector<std::string>{"/media/op/CAM DISK"});
  EXPECT_EQ(storage.DeviceFor("/dev/sdb1"), "/dev/sg10");
  EXPECT_EQ(storage.DeviceFor("/dev/sg9"), "/dev/sg9");
  EXPECT_EQ(storage.DeviceFor("F:"), "F:");
}

// After a login the kernel shows the camera's medium when it looks again: at
// once when zulctl may open the block device, at the next media poll when it
// may not. Each case on sdc (sg9), its size 0 until the medium shows, on a
// clock of the test's own (no real sleep).
TEST_F(FakeSysfs, LoginWaitsForTheMediumBoundedAndSaysWhenItDoesNotCome) {
  using ms = std::chrono::milliseconds;
  constexpr ms kNever{-1};
  const fs::path sdc =
      "devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host7/target7:0:0/7:0:0:0/block/sdc";
  const std::string absent =
      "The camera's storage did not appear on /dev/sdc within 5 seconds; the system has not "
      "looked at the medium again. Root can make it look with: blockdev --rereadpt /dev/sdc";
  struct Case {
    const char* name;
    bool mayOpen;  // the user may open /dev/sdc (group disk)
    ms medium;     // when the size turns non-zero
    ms partition;  // when sdc1 shows up
    ms mounted;    // when the automounter has mounted sdc1
    bool ready;
    std::string line;
    ms took;  // on the test's clock, to the poll
  } cases[] = {
      {"never, as a user", false, kNever, kNever, kNever, false, absent, ms(5000)},
      {"never, though reopened", true, kNever, kNever, kNever, false, absent, ms(5000)},
      {"after the bound", false, ms(5400), ms(5400), kNever, false, absent, ms(5000)},
      {"polled, automounter's full wait", false, ms(4600), ms(4600), ms(8000), true,
       "Storage opened on /dev/sdc (mounted at /media/op/CAMERA)", ms(8000)},
      {"partition read after the size", false, ms(4800), ms(5200), kNever, true,
       "Storage opened on /dev/sdc; mount it with: udisksctl mount -b /dev/sdc1", ms(9800)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(sdc / "size", "0\n");
    std::error_code ec;
    fs::remove_all(root / sdc / "sdc1", ec);
    fs::remove(root / "class/block/sdc1", ec);
    const std::string mountinfo = (root / "mountinfo").string();
    Write("mountinfo", "");

    ms elapsed{0};
    const auto start = std::chrono::steady_clock::time_point{};
    const auto happen = [&](ms at) { return at != kNever && elapsed >= at; };
    const auto pause = [&](ms d) {
      elapsed += d;
      if (happen(c.medium)) Write(sdc / "size", "4096\n");
      if (happen(c.partition) && !fs::exists(root / sdc / "sdc1")) Partition(sdc, "sdc1", "8:33");
      if (happen(c.mounted)) {
        std::ofstream(mountinfo) << "40 22 8:33 / /media/op/CAMERA rw - vfat /dev/sdc1 rw\n";
      }
    };
    test::FakeKernel kernel;
    if (!c.mayOpen) kernel.openErrors["/dev/sdc"] = EACCES;
    cli::LinuxStorage storage(kernel, root.string(), mountinfo, std::chrono::seconds(5),
                              {[&] { return start + elapsed; }, pause});
    const auto realStart = std::chrono::steady_clock::now();
    const cli::StorageRelease release = storage.ReleaseStorage("/dev/sg9");
    EXPECT_EQ(release.ready, c.ready);
    EXPECT_EQ(release.line, c.line);
    EXPECT_GE(elapsed.count(), c.took.count());
    EXPECT_LT(elapsed.count(), c.took.count() + 250);  // one poll
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(1));
    EXPECT_EQ(kernel.paths.size(), c.mayOpen ? 1u : 0u);  // reopened when it may be
  }
}

TEST_F(FakeSysfs, UdevRuleForTheCamerasFound) {
  test::FakeKernel kernel;
  cli::LinuxStorage storage(kernel, root.string());
  const std::string rule = storage.UdevRule({"/dev/sg10", "/dev/sg10", "/dev/sg9"});
  EXPECT_NE(rule.find("\n" + cli::UdevRuleLine("1209", "7a01")), std::string::npos) << rule;
  EXPECT_EQ(rule.find("SUBSYSTEM"), rule.rfind("SUBSYSTEM"));  // one line for one camera
  EXPECT_NE(cli::UdevRuleLine("1209", "7a01").find("SUBSYSTEM==\"scsi_generic\""),
            std::string::npos);
  EXPECT_EQ(storage.UdevRule({"/dev/sg9"}), "");  // no USB ids above it
}

}  // namespace
}  // namespace zul
