#include "cli/win32/ConsoleStreams.h"

#include <windows.h>

#include <ostream>
#include <streambuf>
#include <string>

#include "platform/win32/WideText.h"

namespace zul::cli {
namespace {

// How many leading bytes of text are whole UTF-8 sequences: a sequence cut
// off at the end waits for the rest of its bytes.
std::size_t WholeCharacters(const std::string& text) {
  const std::size_t n = text.size();
  for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
    const auto c = static_cast<unsigned char>(text[n - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return length > back ? n - back : n;
  }
  return n;
}

class ConsoleBuffer final : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) {}

 protected:
  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) {
      return sync() == 0 ? traits_type::not_eof(ch) : traits_type::eof();
    }
    pending_ += traits_type::to_char_type(ch);
    if (ch == '\n' && sync() != 0) return traits_type::eof();
    return ch;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    pending_.append(s, static_cast<std::size_t>(n));
    if (pending_.find('\n') != std::string::npos && sync() != 0) return 0;
    return n;
  }
  int sync() override {
    const std::size_t whole = WholeCharacters(pending_);
    const std::wstring text = platform::WideFromUtf8(std::string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
    DWORD written = 0;
    return text.empty() || WriteConsoleW(console_, text.data(), static_cast<DWORD>(text.size()),
                                         &written, nullptr)
               ? 0
               : -1;
  }

 private:
  HANDLE console_;
  std::string pending_;
};

}  // namespace

struct ConsoleStreams::Redirect {
  Redirect(std::ostream& stream, HANDLE console)
      : stream(stream), buffer(console), previous(stream.rdbuf(&buffer)) {}
  ~Redirect() {
    stream.flush();
    stream.rdbuf(previous);
  }
  std::ostream& stream;
  ConsoleBuffer buffer;
  std::streambuf* previous;
};

namespace {

HANDLE ConsoleOf(DWORD standardHandle) {
  const HANDLE h = GetStdHandle(standardHandle);
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && h && GetConsoleMode(h, &mode) ? h : nullptr;
}

}  // namespace

ConsoleStreams::ConsoleStreams(std::ostream& out, std::ostream& err) {
  if (HANDLE console = ConsoleOf(STD_OUTPUT_HANDLE))
    out_ = std::make_unique<Redirect>(out, console);
  if (HANDLE console = ConsoleOf(STD_ERROR_HANDLE)) err_ = std::make_unique<Redirect>(err, console);
}

ConsoleStreams::~ConsoleStreams() = default;

}  // namespace zul::cli
