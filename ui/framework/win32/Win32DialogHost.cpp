#include "ui/framework/win32/Win32DialogHost.h"

#include <algorithm>
#include <climits>

namespace zul::ui {

std::intptr_t Win32DeviceContext::DefaultColors() {
  brush_ = static_cast<std::intptr_t>(DefWindowProcA(dialog_, WM_CTLCOLORSTATIC,
                                                     reinterpret_cast<WPARAM>(hdc_),
                                                     reinterpret_cast<LPARAM>(control_)));
  ranDefault_ = true;
  return brush_;
}

void Win32DeviceContext::SetTextColor(std::uint32_t rgb) {
  ::SetTextColor(hdc_, rgb);
}

void Win32DialogHost::EnableControl(int id, bool enable) {
  EnableWindow(GetDlgItem(hwnd_, id), enable ? TRUE : FALSE);
}

bool Win32DialogHost::IsControlEnabled(int id) const {
  HWND control = GetDlgItem(hwnd_, id);
  return control && IsWindowEnabled(control);
}

void Win32DialogHost::SetControlText(int id, const std::string& text) {
  SetDlgItemTextA(hwnd_, id, text.c_str());
}

std::size_t Win32DialogHost::GetControlText(int id, char* buffer, std::size_t bufferSize) const {
  if (bufferSize == 0) return 0;
  buffer[0] = '\0';
  const int n = static_cast<int>(GetDlgItemTextA(
      hwnd_, id, buffer, static_cast<int>(std::min<std::size_t>(bufferSize, INT_MAX))));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void Win32DialogHost::LimitText(int id, int maxChars) {
  SendDlgItemMessageA(hwnd_, id, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
}

void Win32DialogHost::ComboResetContent(int id) {
  SendDlgItemMessageA(hwnd_, id, CB_RESETCONTENT, 0, 0);
}

void Win32DialogHost::ComboAddString(int id, const std::string& item) {
  SendDlgItemMessageA(hwnd_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void Win32DialogHost::ComboSetCurSel(int id, int index) {
  // Windows clears the selection for an index past the list, Wine keeps it:
  // ask for "none" outright so that both select nothing.
  const auto count = SendDlgItemMessageA(hwnd_, id, CB_GETCOUNT, 0, 0);
  if (index < 0 || index >= count) index = -1;
  SendDlgItemMessageA(hwnd_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogHost::ComboGetCurSel(int id) const {
  return static_cast<int>(SendDlgItemMessageA(hwnd_, id, CB_GETCURSEL, 0, 0));
}

int Win32DialogHost::FocusedControl() const {
  // The identifier of the focus window itself, as the framework reports it:
  // in a drop-down combo box that is the combo's own edit field.
  HWND focus = GetFocus();
  if (!focus || !IsChild(hwnd_, focus)) return 0;
  return GetDlgCtrlID(focus);
}

Rect Win32DialogHost::ControlRect(int id) const {
  RECT r{};
  if (!GetWindowRect(GetDlgItem(hwnd_, id), &r)) return {};
  POINT topLeft{r.left, r.top}, bottomRight{r.right, r.bottom};
  ScreenToClient(hwnd_, &topLeft);
  ScreenToClient(hwnd_, &bottomRight);
  return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

void Win32DialogHost::SetControlFont(int id, FontHandle font, bool redraw) {
  SendDlgItemMessageA(hwnd_, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw, 0));
}

void Win32DialogHost::SetTitle(const std::string& title) {
  SetWindowTextA(hwnd_, title.c_str());
}

IconHandle Win32DialogHost::LoadIconResource(int resourceId) {
  return LoadIconA(module_, MAKEINTRESOURCEA(resourceId));
}

void Win32DialogHost::SetIcon(IconHandle icon, bool big) {
  SendMessageA(hwnd_, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool Win32DialogHost::IsMinimised() const {
  return IsIconic(hwnd_) != FALSE;
}

Rect Win32DialogHost::ClientRect() const {
  RECT r{};
  GetClientRect(hwnd_, &r);
  return {r.left, r.top, r.right, r.bottom};
}

int Win32DialogHost::WindowDpi() const {
  // GetDpiForWindow came with Windows 10 (1607); before it, the screen's.
  using DpiForWindow = UINT(WINAPI*)(HWND);
  static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (dpiForWindow && hwnd_) {
    if (const UINT dpi = dpiForWindow(hwnd_)) return static_cast<int>(dpi);
  }
  int dpi = 96;
  if (HDC screen = GetDC(nullptr)) {
    dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  return dpi;
}

int Win32DialogHost::SystemMetric(int index) const {
  return GetSystemMetrics(index);
}

void Win32DialogHost::PaintMinimisedIcon(IconHandle icon, int x, int y) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd_, &ps);
  SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
  DrawIcon(hdc, x, y, static_cast<HICON>(icon));
  EndPaint(hwnd_, &ps);
}

void Win32DialogHost::DefaultPaint() {
  // The dialog draws nothing itself: validating the region is the whole
  // paint, the background was erased by the system.
  PAINTSTRUCT ps;
  BeginPaint(hwnd_, &ps);
  EndPaint(hwnd_, &ps);
}

void Win32DialogHost::PostCommand(int id) {
  PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void Win32DialogHost::StartTimer(std::uintptr_t id, unsigned periodMs) {
  SetTimer(hwnd_, id, periodMs, nullptr);
}

bool Win32DialogHost::DefaultPreTranslate(const Message& msg) {
  if (!hwnd_) return false;
  MSG m{};
  if (filtering_ && filtering_->message == msg.message && filtering_->wParam == msg.wParam &&
      static_cast<std::intptr_t>(filtering_->lParam) == msg.lParam) {
    m = *filtering_;
  } else {
    // A message the dialog made up itself: it is meant for the focus window.
    m.hwnd = GetFocus();
    m.message = msg.message;
    m.wParam = msg.wParam;
    m.lParam = msg.lParam;
  }
  return IsDialogMessageA(hwnd_, &m) != FALSE;
}

void Win32DialogHost::EndDialog(int result) {
  ended_ = true;
  result_ = result;
  // Wakes the modal loop, which may be waiting in GetMessage.
  if (hwnd_) PostMessageA(hwnd_, WM_NULL, 0, 0);
}

INT_PTR CALLBACK Win32DialogHost::DialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  Win32DialogHost* host = nullptr;
  if (message == WM_INITDIALOG) {
    host = reinterpret_cast<Win32DialogHost*>(lParam);
    host->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
  } else {
    host = reinterpret_cast<Win32DialogHost*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  // Messages before WM_INITDIALOG, and every message after a handler failed,
  // get the system's default handling only.
  if (!host || host->failure) return FALSE;
  try {
    return host->Route(message, wParam, lParam);
  } catch (...) {
    host->failure = std::current_exception();
    host->EndDialog(-1);
    return FALSE;
  }
}

INT_PTR Win32DialogHost::Route(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return dialog_.OnInitDialog() ? TRUE : FALSE;

    case WM_COMMAND:
    case WM_TIMER:
    case WM_DEVICECHANGE:
    case WM_PAINT:
    case WM_QUERYDRAGICON:
    case WM_LBUTTONDOWN: {
      std::intptr_t result = 0;
      if (dialog_.Dispatch({message, wParam, static_cast<std::intptr_t>(lParam)}, result)) {
        switch (message) {
          case WM_QUERYDRAGICON:
            return static_cast<INT_PTR>(result);
          case WM_DEVICECHANGE:
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
            return TRUE;
          case WM_LBUTTONDOWN:
            return FALSE;  // the default processing still follows
          default:
            return TRUE;
        }
      }
      if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
          dialog_.OnOK();
          return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          dialog_.OnCancel();
          return TRUE;
        }
      }
      return FALSE;
    }

    case WM_CTLCOLORSTATIC: {
      auto* control = reinterpret_cast<HWND>(lParam);
      Win32DeviceContext dc(hwnd_, reinterpret_cast<HDC>(wParam), control);
      std::intptr_t brush = 0;
      const Message m{message, reinterpret_cast<std::uintptr_t>(static_cast<DeviceContext*>(&dc)),
                      GetDlgCtrlID(control)};
      if (!dialog_.Dispatch(m, brush)) return FALSE;
      return static_cast<INT_PTR>(brush ? brush : dc.DefaultBrush());
    }

    case WM_DPICHANGED: {
      // A per-monitor dialog: the system's own handling (DefDlgProc) lays the
      // window and its controls out for the new DPI and gives them its font.
      // The dialog's handler comes after that, to follow where they are now.
      if (inDefault_) return FALSE;
      inDefault_ = true;
      const LRESULT result = DefDlgProcA(hwnd_, message, wParam, lParam);
      inDefault_ = false;
      std::intptr_t ignored = 0;
      dialog_.Dispatch({message, wParam, static_cast<std::intptr_t>(lParam)}, ignored);
      SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
      return TRUE;
    }

    case WM_CLOSE:
      dialog_.OnCancel();
      return TRUE;
  }
  return FALSE;
}

}  // namespace zul::ui
