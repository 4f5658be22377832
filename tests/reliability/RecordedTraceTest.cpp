// The device trace of every flow of the window and of zulctl, over a few
// arrangements of drives, compared byte for byte with the traces recorded in
// traces/. A change to how the tool talks to the camera shows up here as a
// difference in the bytes on the wire, whatever the flows' own tests say.
//
// ZUL_RECORD_TRACES=1 writes the files anew (after a deliberate change).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/reliability/Flows.h"
#include "tests/support/Files.h"

namespace zul::test {
namespace {

struct WorldCase {
  World world;
  const char* file;
};
constexpr WorldCase kWorlds[] = {
    {World::DiskAhead, "disk-ahead.trace"},
    {World::ImpostorAhead, "impostor-ahead.trace"},
    {World::TwoCameras, "two-cameras.trace"},
};

// zulctl reads the PC clock: the date and time it sends are masked.
std::string MaskClock(const std::string& trace) {
  std::istringstream lines(trace);
  std::string out, line;
  while (std::getline(lines, line)) {
    for (std::uint32_t code : {CMD_SET_DATE, CMD_SET_TIME}) {
      char block[32];
      std::snprintf(block, sizeof block, "FA 55 66 FE %02X %02X %02X %02X ", code >> 24,
                    (code >> 16) & 0xFF, (code >> 8) & 0xFF, code & 0xFF);
      const std::size_t at = line.find(block);
      if (at != std::string::npos) line.replace(at + std::strlen(block), 8, "** ** **");
    }
    out += line + "\n";
  }
  return out;
}

std::string RecordWorld(World world) {
  std::string all;
  for (const Flow& flow : AllFlows()) {
    Rig rig(/*traced=*/true, world);
    const std::string path = ::testing::TempDir() + "zulctl-trace.txt";
    std::remove(path.c_str());
    rig.zulctlTrace = path;
    flow.prepare(rig);
    flow.run(rig);
    all += "== " + flow.name + "\n" + rig.Trace() + MaskClock(ReadFileBytes(path));
    std::remove(path.c_str());
  }
  return all;
}

TEST(RecordedTraces, EveryFlowSendsTheRecordedBytes) {
  const bool record = std::getenv("ZUL_RECORD_TRACES") != nullptr;
  for (const WorldCase& c : kWorlds) {
    const std::string path = std::string(ZUL_TRACES_DIR) + "/" + c.file;
    const std::string now = RecordWorld(c.world);
    if (record) {
      std::ofstream(path, std::ios::binary) << now;
      continue;
    }
    const std::string recorded = ReadFileBytes(path);
    ASSERT_FALSE(recorded.empty()) << path << " is missing";
    if (now == recorded) continue;
    // Name the first flow that differs, and its first differing line.
    std::istringstream a(recorded), b(now);
    std::string la, lb, flow;
    for (int n = 1;; ++n) {
      const bool moreA = static_cast<bool>(std::getline(a, la));
      const bool moreB = static_cast<bool>(std::getline(b, lb));
      if (moreA && la.starts_with("== ")) flow = la;
      if (la != lb || moreA != moreB) {
        ADD_FAILURE() << c.file << " line " << n << " (" << flow << ")\n recorded: " << la
                      << "\n now:      " << lb;
        break;
      }
      if (!moreA) break;
    }
  }
}

}  // namespace
}  // namespace zul::test
