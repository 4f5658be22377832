// zulctl --all in this process, over simulated drives it holds: the cameras
// are worked on at the same time, each on its own session, through one trace.
// The tsan preset runs it under ThreadSanitizer.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "cli/Zulctl.h"
#include "simulator/SimulatedDrives.h"
#include "tests/support/Files.h"

namespace zul::cli {
namespace {

using Json = nlohmann::json;

// Passes requests through, and holds the first one until a second is in
// flight beside it (or a time-out passes): a walk that worked on one camera
// after another would never show two at once.
class OverlapPort final : public DevicePort {
 public:
  explicit OverlapPort(DevicePort& inner) : inner_(inner) {}

  std::vector<DeviceCandidate> Candidates() override { return inner_.Candidates(); }
  VolumeHandle OpenVolume(const char* p) override { return inner_.OpenVolume(p); }
  void CloseVolume(VolumeHandle h) override { inner_.CloseVolume(h); }
  bool PassThrough(VolumeHandle h, void* b, std::uint32_t in, std::uint32_t out) override {
    {
      std::unique_lock lock(mutex_);
      if (++inFlight_ >= 2) overlapped_ = true;
      changed_.notify_all();
      if (!first_) {
        first_ = true;
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return overlapped_; });
      }
    }
    const bool ok = inner_.PassThrough(h, b, in, out);
    std::lock_guard lock(mutex_);
    --inFlight_;
    return ok;
  }

  bool overlapped() {
    std::lock_guard lock(mutex_);
    return overlapped_;
  }

 private:
  DevicePort& inner_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int inFlight_ = 0;
  bool first_ = false;
  bool overlapped_ = false;
};

struct InProcessRun {
  int exitCode;
  std::string out, err;
};

InProcessRun Zulctl(std::vector<const char*> args, const std::string& input, DevicePort& drives) {
  args.insert(args.begin(), "zulctl");
  std::FILE* in = std::tmpfile();
  std::fputs(input.c_str(), in);
  std::rewind(in);
  std::ostringstream out, err;
  const int rc = RunZulctl(static_cast<int>(args.size()), args.data(), in, out, err, &drives);
  std::fclose(in);
  return {rc, out.str(), err.str()};
}

TEST(AllCamerasTest, SixteenCamerasAtOnceThroughOneTrace) {
  constexpr int kCameras = 16;
  sim::SimulatedDrives drives;
  for (int i = 0; i < kCameras; ++i) {
    sim::SimulatedDrive drive;
    drive.type = sim::DriveType::Camera;
    sim::CameraState state;  // password 1234
    state.serial = "SN0000" + std::to_string(10 + i);
    drive.camera = std::make_shared<sim::SimulatedCamera>(state);
    drives.Insert(static_cast<char>('D' + i), std::move(drive));
  }
  OverlapPort port(drives);
  const std::string trace =
      (std::filesystem::temp_directory_path() / "all-cameras-trace.txt").string();

  const std::string audit =
      (std::filesystem::temp_directory_path() / "all-cameras-audit.jsonl").string();
  std::filesystem::remove(audit);

  const InProcessRun set =
      Zulctl({"--trace", trace.c_str(), "--audit", audit.c_str(), "--all", "set-hint", "SAME HINT"},
             "1234\n", port);
  EXPECT_EQ(set.exitCode, 0) << set.err;
  EXPECT_TRUE(port.overlapped()) << "the cameras were worked on one after another";
  const InProcessRun status = Zulctl({"--all", "status", "--json"}, "", port);
  ASSERT_EQ(status.exitCode, 0) << status.err;
  const Json cameras = Json::parse(status.out, nullptr, false);
  ASSERT_EQ(cameras.size(), static_cast<std::size_t>(kCameras)) << status.out;
  for (int i = 0; i < kCameras; ++i) {
    const std::string letter(1, static_cast<char>('D' + i));
    EXPECT_EQ(cameras[i].value("drive", ""), letter + ":");
    EXPECT_EQ(cameras[i]["status"].value("serialNumber", ""), "SN0000" + std::to_string(10 + i));
    EXPECT_EQ(cameras[i]["status"].value("hint", ""), "SAME HINT") << letter;
  }
  EXPECT_EQ(drives.OpenHandleCount(), 0);
  const std::string traced = test::ReadFileBytes(trace);
  for (int i = 0; i < kCameras; ++i) {
    const std::string path = std::string("\\\\.\\") + static_cast<char>('D' + i) + ": ";
    EXPECT_NE(traced.find(path + "FA 55 66 FE"), std::string::npos) << path;
  }
  std::filesystem::remove(trace);
  // One whole audit line per camera, appended from the cameras' threads.
  std::ifstream lines(audit);
  std::set<std::string> audited;
  for (std::string line; std::getline(lines, line);) {
    const Json l = Json::parse(line, nullptr, false);
    ASSERT_TRUE(l.is_object()) << line;
    EXPECT_EQ(l.value("outcome", ""), "done");
    audited.insert(l.value("serialNumber", ""));
  }
  EXPECT_EQ(audited.size(), static_cast<std::size_t>(kCameras));
  lines.close();
  std::filesystem::remove(audit);
  std::filesystem::remove(audit + ".lock");
}

}  // namespace
}  // namespace zul::cli
