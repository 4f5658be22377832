#pragma once
// The dialog host on real Win32 controls: one per dialog window, alive from
// the window's creation to the end of its modal loop.

#include <exception>

#include "ui/framework/DialogHost.h"
#include "ui/framework/WinDefs.h"
#include "ui/framework/win32/SystemHeaders.h"

namespace zul::ui {

// The paint context of one WM_CTLCOLORSTATIC message.
class Win32DeviceContext final : public DeviceContext {
 public:
  Win32DeviceContext(HWND dialog, HDC hdc, HWND control)
      : dialog_(dialog), hdc_(hdc), control_(control) {}
  std::intptr_t DefaultColors() override;
  void SetTextColor(std::uint32_t rgb) override;
  // The brush of the default handling, run now if the handler never asked for it.
  std::intptr_t DefaultBrush() { return ranDefault_ ? brush_ : DefaultColors(); }

 private:
  HWND dialog_;
  HDC hdc_;
  HWND control_;
  bool ranDefault_ = false;
  std::intptr_t brush_ = 0;
};

class Win32DialogHost final : public DialogHost {
 public:
  Win32DialogHost(Dialog& dialog, HINSTANCE module) : dialog_(dialog), module_(module) {}

  HWND hwnd() const { return hwnd_; }
  Dialog& dialog() const { return dialog_; }
  bool ended() const { return ended_; }
  int result() const { return result_; }

  void EnableControl(int id, bool enable) override;
  bool IsControlEnabled(int id) const override;
  void SetControlText(int id, const std::string& text) override;
  std::size_t GetControlText(int id, char* buffer, std::size_t bufferSize) const override;
  void LimitText(int id, int maxChars) override;
  void ComboResetContent(int id) override;
  void ComboAddString(int id, const std::string& item) override;
  void ComboSetCurSel(int id, int index) override;
  int ComboGetCurSel(int id) const override;
  int FocusedControl() const override;
  Rect ControlRect(int id) const override;
  void SetControlFont(int id, FontHandle font, bool redraw) override;

  void SetTitle(const std::string& title) override;
  IconHandle LoadIconResource(int resourceId) override;
  void SetIcon(IconHandle icon, bool big) override;
  bool IsMinimised() const override;
  Rect ClientRect() const override;
  int WindowDpi() const override;
  int SystemMetric(int index) const override;
  void PaintMinimisedIcon(IconHandle icon, int x, int y) override;
  void DefaultPaint() override;

  void PostCommand(int id) override;
  void StartTimer(std::uintptr_t id, unsigned periodMs) override;
  bool DefaultPreTranslate(const Message& msg) override;
  void EndDialog(int result) override;

  // The dialog procedure: routes the window's messages to the dialog.
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // The modal loop hands each message to the dialog's filter through this, so
  // that the default filtering sees the whole system message (its window).
  // Returns the message it replaces, to be put back afterwards.
  const MSG* SetFilterMessage(const MSG* msg) {
    const MSG* previous = filtering_;
    filtering_ = msg;
    return previous;
  }

  // An exception thrown by a handler, held until the modal loop has ended:
  // it must not unwind through the system's code.
  std::exception_ptr failure;

 private:
  INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);

  Dialog& dialog_;
  HINSTANCE module_;
  HWND hwnd_ = nullptr;
  const MSG* filtering_ = nullptr;
  bool ended_ = false;
  int result_ = 0;
  bool inDefault_ = false;  // the system's own handling of a message runs first
};

}  // namespace zul::ui
