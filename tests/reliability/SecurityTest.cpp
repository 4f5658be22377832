// What must never leave the tool or be handed on: password characters in a
// trace, drive names the scan did not find, texts from the camera or the
// operator on a command line; and the program asks for no elevation.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "Rig.h"

namespace zul::test {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Hex(std::string_view bytes, bool lower) {
  static const char kUpper[] = "0123456789ABCDEF";
  static const char kLower[] = "0123456789abcdef";
  const char* digits = lower ? kLower : kUpper;
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Every run of three or more characters of the password, as text or as the
// hex bytes a trace line would show, found in trace.
std::vector<std::string> Leaks(const std::string& trace, const std::string& password) {
  std::vector<std::string> found;
  for (std::size_t at = 0; at + 3 <= password.size(); ++at) {
    const std::string piece = password.substr(at, 3);
    for (const std::string& form : {piece, Hex(piece, false), Hex(piece, true)}) {
      if (trace.find(form) != std::string::npos) found.push_back(form);
    }
  }
  return found;
}

// Passwords of characters that occur nowhere else in the camera's answers.
constexpr char kLoginPassword[] = "Kq8#Wz";
constexpr char kNewPassword[] = "Vj3%Ty9&Rm";

TEST(Security, ZulctlTracesNoPasswordCharacter) {
  const fs::path dir = fs::temp_directory_path() / "zul-security-trace";
  fs::create_directories(dir);
  const std::string trace = (dir / "trace.txt").string();

  Rig rig;
  rig.Camera().camera->state.userPassword = sim::DigestOfPassword(kLoginPassword);
  const std::string login = std::string(kLoginPassword) + "\n";
  ASSERT_EQ(rig.Zulctl({"--trace", trace, "login"}, login).status, 0);
  std::string traced = ReadAll(trace);
  ASSERT_NE(traced.find("FA 55 66 FE 06 00 00 25 04"), std::string::npos)  // a password chunk
      << traced;

  ASSERT_EQ(rig.Zulctl({"--trace", trace, "set-password"}, login + kNewPassword + "\n").status, 0);
  traced += ReadAll(trace);
  ASSERT_NE(traced.find("FA 55 66 FE 06 00 00 25 06"), std::string::npos) << traced;
  // The camera took the new password, so the trace saw it travel.
  EXPECT_EQ(rig.Camera().camera->state.userPassword, sim::DigestOfPassword(kNewPassword));
  // A refused password is traced the same way.
  rig.Zulctl({"--trace", trace, "login"}, std::string(kNewPassword).substr(1) + "X\n");
  traced += ReadAll(trace);

  for (const std::string& pw : {std::string(kLoginPassword), std::string(kNewPassword)}) {
    EXPECT_EQ(Leaks(traced, pw), std::vector<std::string>{}) << pw;
  }
  fs::remove_all(dir);
}

TEST(Security, TheProgramAsksForNoElevation) {
  const std::string manifest = ReadAll(ZUL_MANIFEST_PATH);
  ASSERT_FALSE(manifest.empty());
  // Every requested execution level, wherever it stands.
  const std::regex level(R"re(<requestedExecutionLevel\s[^>]*level\s*=\s*"([^"]*)")re");
  std::vector<std::string> levels;
  for (auto it = std::sregex_iterator(manifest.begin(), manifest.end(), level);
       it != std::sregex_iterator(); ++it) {
    levels.push_back((*it)[1]);
  }
  EXPECT_EQ(levels, std::vector<std::string>{"asInvoker"});
  EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
  EXPECT_EQ(manifest.find("highestAvailable"), std::string::npos);
  EXPECT_EQ(manifest.find(R"(uiAccess="true")"), std::string::npos);
}

}  // namespace
}  // namespace zul::test
