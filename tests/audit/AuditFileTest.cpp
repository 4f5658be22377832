// The audit file as a group of operators and a full disk meet it: the lock of
// a file the group shares, a line that cannot go whole, and who may read a new
// audit or trace file.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "audit/AuditLog.h"
#include "devicelink/CommandCatalogue.h"
#include "devicelink/TraceLog.h"
#include "tests/support/Files.h"

namespace zul::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// Each line of the file parsed (a line that is no JSON parses as discarded).
std::vector<Json> Lines(const fs::path& path) {
  std::vector<Json> lines;
  std::istringstream in(ReadFileBytes(path));
  for (std::string l; std::getline(in, l);) lines.push_back(Json::parse(l, nullptr, false));
  return lines;
}

// A change made on the camera, as zulctl and the window record it.
AuditEntry LoopSwitchedOn() {
  AuditEntry e = SettingAttempt(CMD_SET_LOOP_RECORDING, 1, nullptr);
  e.drive = "F:";
  e.outcome = AuditOutcome::Done;
  return e;
}

bool AppendOne(const fs::path& path, std::string& error) {
  AuditLog log(path.string(), "zulctl");
  return log.Open(error) && log.Append(LoopSwitchedOn(), error);
}

class AuditFileTest : public ::testing::Test {
 protected:
  const ScratchDir dir{"audit-"};
  const fs::path audit = dir / "audit.jsonl";
};

// The file's permission bits.
mode_t ModeOf(const fs::path& path) {
  struct stat s {};
  return stat(path.c_str(), &s) == 0 ? (s.st_mode & 07777) : mode_t{07777};
}

// The usual umask for the length of a test, whatever the runner's.
class UsualUmask {
 public:
  UsualUmask() : before_(umask(022)) {}
  ~UsualUmask() { umask(before_); }

 private:
  mode_t before_;
};

TEST_F(AuditFileTest, NewFilesAreTheOwnersOnlyAndAnExistingFileKeepsItsMode) {
  const UsualUmask usual;
  struct Case {
    const char* name;
    bool trace;                   // a trace file, else an audit file (and its lock)
    std::optional<mode_t> given;  // the file's mode before the run, none: no file
    mode_t mode, lockMode;
  };
  const Case cases[] = {
      {"new audit file", false, std::nullopt, 0600, 0600},
      {"new trace file", true, std::nullopt, 0600, 0},
      {"audit file of 0640", false, 0640, 0640, 0640},
      {"trace file of 0640", true, 0640, 0640, 0},
      // The lock takes the group's write right whatever the umask.
      {"group's audit file of 0660", false, 0660, 0660, 0660},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = dir / (std::string(c.name) + ".txt");
    const fs::path lock = path.string() + ".lock";
    if (c.given) {
      WriteFileBytes(path, "");
      ASSERT_EQ(chmod(path.c_str(), *c.given), 0);
    }
    if (c.trace) {
      TraceLog trace(path.string());
      ASSERT_TRUE(trace.IsOpen());
      trace.WriteLine("OPEN F:");
    } else {
      std::string error;
      ASSERT_TRUE(AppendOne(path, error)) << error;
      EXPECT_EQ(ModeOf(lock), c.lockMode) << std::oct << ModeOf(lock);
    }
    EXPECT_EQ(ModeOf(path), c.mode) << std::oct << ModeOf(path);
  }
}

// An operator other than the one who first used the file, of its group,
// appends to it: the lock file is one he may only read, or the one the first
// operator's run left.
TEST_F(AuditFileTest, AnotherOperatorOfTheGroupAppends) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  const passwd* nobody = getpwnam("nobody");
  if (!nobody) GTEST_SKIP() << "no user nobody";
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  const UsualUmask usual;
  // The administrator's setup: the group's folder, setgid, and the file 0660.
  ASSERT_EQ(chown(dir.path().c_str(), 0, gid), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 02770), 0);

  struct Case {
    const char* name;
    std::optional<mode_t> lock;  // the lock file made beforehand, none: left by the first run
  };
  const Case cases[] = {{"lock file of 0640", 0640},
                        {"lock file the first run made", std::nullopt}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = dir / (std::string(c.name) + ".jsonl");
    const fs::path lock = path.string() + ".lock";
    WriteFileBytes(path, "");
    ASSERT_EQ(chmod(path.c_str(), 0660), 0);
    if (c.lock) {
      WriteFileBytes(lock, "");
      ASSERT_EQ(chmod(lock.c_str(), *c.lock), 0);
    }
    std::string error;
    ASSERT_TRUE(AppendOne(path, error)) << error;  // the first operator (root)

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) _exit(3);
      if (access(dir.path().c_str(), X_OK) != 0) _exit(77);  // a folder above shuts nobody out
      std::string why;
      const bool appended = AppendOne(path, why);
      if (!appended) std::fprintf(stderr, "%s\n", why.c_str());
      _exit(appended ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "the scratch folder is out of nobody's reach";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::vector<Json> lines = Lines(path);
    ASSERT_EQ(lines.size(), 2u) << ReadFileBytes(path);
    EXPECT_EQ(lines[1]["user"], nobody->pw_name);
  }
}

// A file size limit (as a full disk) lets only part of a line go: the part is
// taken back, the error is the write's own, and the operator is told that the
// camera was changed without its line.
TEST_F(AuditFileTest, ALineThatCannotGoWholeLeavesNothingAndSaysWhy) {
  std::string error;
  ASSERT_TRUE(AppendOne(audit, error)) << error;
  const std::string before = ReadFileBytes(audit);

  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipeEnds[0]);
    signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the process
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = before.size() + 16;  // room for a few bytes of the line only
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
    AuditLog log(audit.string(), "zulctl");
    std::string why;
    const bool appended = log.Open(why) && log.Append(LoopSwitchedOn(), why);
    const std::string told = log.NotWritten(LoopSwitchedOn(), why);
    if (write(pipeEnds[1], told.data(), told.size()) != static_cast<ssize_t>(told.size())) _exit(4);
    _exit(appended ? 1 : 0);
  }
  close(pipeEnds[1]);
  std::string told;
  char chunk[256];
  for (ssize_t n; (n = read(pipeEnds[0], chunk, sizeof chunk)) > 0;) told.append(chunk, n);
  close(pipeEnds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the line went whole past the limit";

  EXPECT_EQ(ReadFileBytes(audit), before);
  EXPECT_EQ(told, "The camera was changed, but its audit line could not be written to " +
                      audit.string() + ": " + std::strerror(EFBIG));
  // The next program's line stands on a line of its own.
  ASSERT_TRUE(AppendOne(audit, error)) << error;
  const std::vector<Json> lines = Lines(audit);
  ASSERT_EQ(lines.size(), 2u);
  for (const Json& l : lines) EXPECT_TRUE(l.is_object()) << ReadFileBytes(audit);
}

}  // namespace
}  // namespace zul::test
