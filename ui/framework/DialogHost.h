#pragma once
// What a dialog asks of its window, control by identifier, the way a dialog
// class talks to its controls. The Win32 backend does it on real controls
// made from the resource templates; the headless backend keeps the same
// controls in memory.

#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/framework/Dialog.h"

namespace zul::ui {

using IconHandle = void*;
using FontHandle = void*;

struct FontSpec {
  int height = 0, width = 0, escapement = 0, orientation = 0, weight = 0;
  bool italic = false, underline = false, strikeOut = false;
  int charSet = 0, outPrecision = 0, clipPrecision = 0, quality = 0, pitchAndFamily = 0;
  std::string face;
};

class DialogHost {
 public:
  virtual ~DialogHost() = default;

  // Controls, by identifier (EnableWindow, SetWindowText, GetWindowText ...).
  virtual void EnableControl(int id, bool enable) = 0;
  virtual bool IsControlEnabled(int id) const = 0;
  virtual void SetControlText(int id, const std::string& text) = 0;
  // Copies at most bufferSize - 1 characters and a terminator into buffer, as
  // GetDlgItemText does; returns the number of characters copied.
  virtual std::size_t GetControlText(int id, char* buffer, std::size_t bufferSize) const = 0;
  virtual void LimitText(int id, int maxChars) = 0;  // EM_LIMITTEXT
  virtual void ComboResetContent(int id) = 0;        // CB_RESETCONTENT
  virtual void ComboAddString(int id, const std::string& item) = 0;
  virtual void ComboSetCurSel(int id, int index) = 0;  // out of range: selects nothing
  virtual int ComboGetCurSel(int id) const = 0;        // CB_ERR when nothing is selected
  virtual int FocusedControl() const = 0;              // 0 when no control of this dialog
  // Client-coordinate rectangle of the whole control window.
  virtual Rect ControlRect(int id) const = 0;
  virtual void SetControlFont(int id, FontHandle font, bool redraw) = 0;

  // The window itself.
  virtual void SetTitle(const std::string& title) = 0;
  virtual IconHandle LoadIconResource(int resourceId) = 0;
  virtual void SetIcon(IconHandle icon, bool big) = 0;  // WM_SETICON
  virtual bool IsMinimised() const = 0;
  virtual Rect ClientRect() const = 0;
  // Dots per inch of the monitor the window is on (96 at 100 %).
  virtual int WindowDpi() const = 0;
  virtual int SystemMetric(int index) const = 0;
  // Paints the minimised window: erases the icon background (WM_ICONERASEBKGND
  // with the paint context) and draws icon at x, y.
  virtual void PaintMinimisedIcon(IconHandle icon, int x, int y) = 0;
  virtual void DefaultPaint() = 0;

  // Messages.
  // Places WM_COMMAND for id (notification 0, no control handle) in the queue.
  virtual void PostCommand(int id) = 0;
  virtual void StartTimer(std::uintptr_t id, unsigned periodMs) = 0;
  // The framework's own dialog filtering of a loop message (IsDialogMessage).
  virtual bool DefaultPreTranslate(const Message& msg) = 0;
  virtual void EndDialog(int result) = 0;
};

// Creates dialog windows from templates and runs their modal loops.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  virtual int DoModal(Dialog& dialog) = 0;
  // Fonts belong to the process, not to a window: a dialog object may release
  // its font after its window is gone (CreateFontA, DeleteObject).
  virtual FontHandle CreateFontFromSpec(const FontSpec& font) = 0;
  virtual void DeleteFont(FontHandle font) = 0;
};

}  // namespace zul::ui
