#pragma once
// Drives the real ZUL_PC_TOOL.exe from outside, through window messages only,
// the way an operator's clicks and keys would reach it: start it, find its
// window, read and change its controls, answer its message boxes, take
// screenshots, close it and collect its exit code.

#include <cstdint>
#include <string>
#include <vector>

#include "ui/framework/win32/SystemHeaders.h"

namespace zul::e2e {

// Collects failed expectations; the driver's exit code says whether any failed.
class Checker {
 public:
  void Expect(bool ok, const std::string& what);
  void ExpectEq(const std::string& got, const std::string& want, const std::string& what);
  void ExpectEq(long long got, long long want, const std::string& what);
  int failures() const { return failures_; }

 private:
  int failures_ = 0;
};

// One run of the tool.
class ToolProcess {
 public:
  ToolProcess() = default;
  ~ToolProcess();  // a run still going is ended
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  // Starts exe with the arguments (each quoted; all UTF-8); false when it
  // cannot start. noStandardHandles: none at all, as a console's shell starts
  // a window program.
  bool Start(const std::string& exe, const std::vector<std::string>& args,
             bool noStandardHandles = false);
  // The tool's top-level window with this exact title, polling until timeoutMs.
  HWND WaitForWindow(const std::string& title, unsigned timeoutMs) const;
  // A message box of the tool ("#32770") with this caption, or nullptr.
  HWND WaitForMessageBox(const std::string& caption, unsigned timeoutMs) const;
  // Waits for the end of the process; its exit code, or -1 on time-out.
  long WaitForExit(unsigned timeoutMs);
  DWORD processId() const { return info_.dwProcessId; }

 private:
  HWND WaitForTopLevel(const char* className, const std::string& title, unsigned timeoutMs) const;
  PROCESS_INFORMATION info_{};
};

// Reading and working a window's controls by identifier.
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
bool ControlEnabled(HWND dialog, int id);
std::vector<std::string> ComboItems(HWND dialog, int id);
int ComboSelection(HWND dialog, int id);
// Presses a button as a click would (BM_CLICK, posted: a handler may open a
// modal box and must not block the driver).
void Click(HWND dialog, int id);
// Replaces a field's text (WM_SETTEXT).
void Type(HWND dialog, int id, const std::string& text);
// The operator picks a list item: the selection, then CBN_SELCHANGE to the
// dialog (posted, as the handler may open a modal box).
void SelectComboItem(HWND dialog, int id, int index);
// Moves the keyboard focus to a control (WM_NEXTDLGCTL, which the dialog's
// own thread carries out), then posts a key-down and key-up of virtualKey to
// it, as the keyboard would.
void PressKeyIn(HWND dialog, int id, unsigned virtualKey);
// Waits until a window is gone; false on time-out.
bool WaitForClosed(HWND window, unsigned timeoutMs);
// The message text of a message box, in UTF-8.
std::string MessageBoxText(HWND box);
// Presses a message box's button (IDOK, IDCANCEL ...).
void AnswerMessageBox(HWND box, int button);

// The children of a dialog in creation (template) order.
std::vector<HWND> ChildrenInOrder(HWND dialog);
std::string ClassOf(HWND window);

// Asks whoever runs the driver for a screenshot: prints "SNAPSHOT name" and
// waits for one line on standard input. Without a listener (input at its end)
// it goes straight on.
void Snapshot(const std::string& name);

// Polls until condition holds or timeoutMs passes; returns the last result.
template <typename F>
bool WaitUntil(F condition, unsigned timeoutMs) {
  for (unsigned waited = 0;; waited += 50) {
    if (condition()) return true;
    if (waited >= timeoutMs) return false;
    Sleep(50);
  }
}

// The contents of a text file (its name in UTF-8), or empty when it cannot be
// read.
std::string ReadTextFile(const std::string& path);

}  // namespace zul::e2e
