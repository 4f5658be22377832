#include "tests/e2e/ToolDriver.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/FilePath.h"
#include "platform/win32/WideText.h"

namespace zul::e2e {

void Checker::Expect(bool ok, const std::string& what) {
  if (ok) return;
  ++failures_;
  std::printf("FAIL: %s\n", what.c_str());
  std::fflush(stdout);
}

void Checker::ExpectEq(const std::string& got, const std::string& want, const std::string& what) {
  Expect(got == want, what + ": got \"" + got + "\", want \"" + want + "\"");
}

void Checker::ExpectEq(long long got, long long want, const std::string& what) {
  Expect(got == want, what + ": got " + std::to_string(got) + ", want " + std::to_string(want));
}

ToolProcess::~ToolProcess() {
  if (!info_.hProcess) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hProcess);
  CloseHandle(info_.hThread);
}

bool ToolProcess::Start(const std::string& exe, const std::vector<std::string>& args,
                        bool noStandardHandles) {
  // As a shell starts it: the UTF-16 command line, which holds any name.
  std::string commandLine = "\"" + exe + "\"";
  for (const std::string& a : args) commandLine += " \"" + a + "\"";
  std::wstring wide = platform::WideFromUtf8(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (noStandardHandles) startup.dwFlags = STARTF_USESTDHANDLES;  // all three null
  return CreateProcessW(platform::WideFromUtf8(exe).c_str(), wide.data(), nullptr, nullptr, FALSE,
                        0, nullptr, nullptr, &startup, &info_) != FALSE;
}

HWND ToolProcess::WaitForTopLevel(const char* className, const std::string& title,
                                  unsigned timeoutMs) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        // Only windows of this run count: an earlier run may still be closing.
        for (HWND w = FindWindowExA(nullptr, nullptr, className, title.c_str()); w;
             w = FindWindowExA(nullptr, w, className, title.c_str())) {
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (pid == info_.dwProcessId && IsWindowVisible(w)) {
            found = w;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}

HWND ToolProcess::WaitForWindow(const std::string& title, unsigned timeoutMs) const {
  return WaitForTopLevel(nullptr, title, timeoutMs);
}

HWND ToolProcess::WaitForMessageBox(const std::string& caption, unsigned timeoutMs) const {
  return WaitForTopLevel("#32770", caption, timeoutMs);
}

long ToolProcess::WaitForExit(unsigned timeoutMs) {
  if (!info_.hProcess || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return static_cast<long>(code);
}

std::string WindowText(HWND window) {
  char buffer[512] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

std::string ControlText(HWND dialog, int id) {
  char buffer[512] = {};
  GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
  return buffer;
}

bool ControlEnabled(HWND dialog, int id) {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

std::vector<std::string> ComboItems(HWND dialog, int id) {
  // Asked in UTF-16: Wine hands only the first character of an item across
  // processes when the ANSI message is used.
  std::vector<std::string> items;
  const auto count = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t wide[256] = {};
    if (SendDlgItemMessageW(dialog, id, CB_GETLBTEXTLEN, i, 0) >= LRESULT{256}) break;
    SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
    char narrow[512] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    items.emplace_back(narrow);
  }
  return items;
}

int ComboSelection(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

void Click(HWND dialog, int id) {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Type(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextA(dialog, id, text.c_str());
}

void SelectComboItem(HWND dialog, int id, int index) {
  const HWND combo = GetDlgItem(dialog, id);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void PressKeyIn(HWND dialog, int id, unsigned virtualKey) {
  const HWND control = GetDlgItem(dialog, id);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  PostMessageA(control, WM_KEYDOWN, virtualKey, 1);
  PostMessageA(control, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u));
}

bool WaitForClosed(HWND window, unsigned timeoutMs) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::string MessageBoxText(HWND box) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 1024);
  return platform::Utf8FromWide(text);
}

void AnswerMessageBox(HWND box, int button) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

std::vector<HWND> ChildrenInOrder(HWND dialog) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    children.push_back(c);
  }
  return children;
}

std::string ClassOf(HWND window) {
  char buffer[64] = {};
  GetClassNameA(window, buffer, sizeof buffer);
  std::string name = buffer;
  for (char& ch : name) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
  return name;
}

void Snapshot(const std::string& name) {
  std::printf("SNAPSHOT %s\n", name.c_str());
  std::fflush(stdout);
  char line[64];
  if (!std::fgets(line, sizeof line, stdin)) return;
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(platform::PathFromUtf8(path), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace zul::e2e
