#include "FileText.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "FilePath.h"

namespace zul::sim {

bool ReadFileText(const std::string& path, std::string& text) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return false;
  text = bytes.str();
  return true;
}

bool WriteFileReplacing(const std::string& path, const std::string& text, std::string& error) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      error = temporary + ": cannot be written";
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);  // replaces path in one step
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    error = path + ": cannot be replaced (" + ec.message() + ")";
    return false;
  }
  return true;
}

}  // namespace zul::sim
