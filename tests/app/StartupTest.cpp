#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "Startup.h"

namespace zul::app {
namespace {

namespace fs = std::filesystem;

// A scratch folder of its own for each test.
class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zul_startup_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  fs::path dir_;
};

TEST_F(StartupTest, NoOptionsPrepareNothing) {
  StartupParts s;
  EXPECT_EQ(PrepareStartup(Options{}, s), "");
  EXPECT_TRUE(s.drives.Drives().empty());
  EXPECT_EQ(s.trace, nullptr);
}

TEST_F(StartupTest, SimulateWithoutFileGivesTheDefaultCamera) {
  StartupParts s;
  Options o;
  o.simulate = true;
  EXPECT_EQ(PrepareStartup(o, s), "");
  ASSERT_EQ(s.drives.Drives().count('F'), 1u);
  EXPECT_EQ(s.drives.Drives().at('F').type, sim::DriveType::Camera);
}

TEST_F(StartupTest, ScenarioFileDecidesTheDrives) {
  StartupParts s;
  Options o;
  o.simulate = true;
  o.scenarioFile = Write("two.json", R"({"drives": [{"letter": "D", "type": "disk"},
                                                    {"letter": "K", "type": "camera"}]})");
  EXPECT_EQ(PrepareStartup(o, s), "");
  EXPECT_EQ(s.drives.Drives().size(), 2u);
  EXPECT_EQ(s.drives.Drives().at('K').type, sim::DriveType::Camera);
}

TEST_F(StartupTest, UnusableScenarioIsRefusedWithItsName) {
  for (const std::string& file :
       {(dir_ / "missing.json").string(), Write("broken.json", "{\"drives\": [ {"),
        Write("wrong.json", R"({"drives": [{"letter": "B", "type": "disk"}]})")}) {
    StartupParts s;
    Options o;
    o.simulate = true;
    o.scenarioFile = file;
    const std::string error = PrepareStartup(o, s);
    EXPECT_NE(error.find(file), std::string::npos) << error;
    EXPECT_TRUE(s.drives.Drives().empty());
  }
}

TEST_F(StartupTest, TraceFileIsOpenedOrNamedAsTheProblem) {
  StartupParts s;
  Options o;
  o.traceFile = (dir_ / "trace.log").string();
  EXPECT_EQ(PrepareStartup(o, s), "");
  ASSERT_NE(s.trace, nullptr);
  EXPECT_TRUE(s.trace->IsOpen());

  StartupParts bad;
  o.traceFile = (dir_ / "no such folder" / "trace.log").string();
  const std::string error = PrepareStartup(o, bad);
  EXPECT_EQ(error.rfind("The trace file cannot be opened: " + o.traceFile, 0), 0u) << error;
  EXPECT_EQ(bad.trace, nullptr);
}

}  // namespace
}  // namespace zul::app
