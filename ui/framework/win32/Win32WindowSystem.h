#pragma once
// Dialogs as real windows: each DoModal creates the window from its resource
// template (modeless, so that the loop is ours) and runs a modal loop that
// hands every message to the dialog's filter before dispatching it. Loops
// nest: a dialog opened from a handler runs its own loop while the windows
// below it keep receiving their timer and device messages.

#include <vector>

#include "ui/framework/DialogHost.h"
#include "ui/framework/WinDefs.h"
#include "ui/framework/win32/SystemHeaders.h"

namespace zul::ui {

class Win32DialogHost;

class Win32WindowSystem final : public WindowSystem {
 public:
  // module: where the dialog templates and icons are.
  explicit Win32WindowSystem(HINSTANCE module) : module_(module) {}

  // Returns the EndDialog result, or -1 when the window could not be created
  // or the loop ended on WM_QUIT (which is posted again for the loop below).
  // An exception thrown by a handler ends the dialog and is rethrown here.
  int DoModal(Dialog& dialog) override;
  FontHandle CreateFontFromSpec(const FontSpec& font) override;
  void DeleteFont(FontHandle font) override;

 private:
  // The open dialog whose window msgWindow belongs to, or fallback.
  Win32DialogHost& FilterFor(HWND msgWindow, Win32DialogHost& fallback) const;

  HINSTANCE module_;
  std::vector<Win32DialogHost*> open_;  // innermost last
};

}  // namespace zul::ui
