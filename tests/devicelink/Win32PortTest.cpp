// The real Windows volume port. Under Wine the volumes refuse the SCSI
// pass-through, so a scan finds nothing, and it must leave no handle behind.

#include <gtest/gtest.h>

#include "devicelink/Command.h"
#include "devicelink/Discovery.h"
#include "devicelink/win32/Win32VolumePort.h"
#include "tests/support/ScriptedPort.h"

namespace zul {
namespace {

TEST(Win32VolumePortTest, ScanFindsNoCameraAndLeavesNoHandleOpen) {
  Win32VolumePort real;
  test::CountingPort port(real);
  DeviceSession session{port};
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(DiscoverCamera(session));
    EXPECT_EQ(session.handle, kNoHandle);
    EXPECT_EQ(port.open, 0);
  }
}

TEST(Win32VolumePortTest, NoHandleMeansFailure) {
  Win32VolumePort port;
  DeviceSession session{port};
  ReplyBlock block;
  block.fill(7);
  EXPECT_FALSE(IssueCommand(session, CMD_GET_RESOLUTION, block));
  EXPECT_EQ(block, ReplyBlock{});
  EXPECT_EQ(port.OpenVolume("\\\\.\\NOSUCHVOLUME:"), kNoHandle);
}

}  // namespace
}  // namespace zul
