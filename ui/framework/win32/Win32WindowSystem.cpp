#include "ui/framework/win32/Win32WindowSystem.h"

#include <algorithm>

#include "ui/framework/win32/Win32DialogHost.h"

namespace zul::ui {

namespace {

// Undoes what DoModal set up, also when a filter throws.
struct OpenDialog {
  OpenDialog(std::vector<Win32DialogHost*>& open, Win32DialogHost& host) : open(open), host(host) {
    open.push_back(&host);
    host.dialog().Attach(&host);
  }
  ~OpenDialog() {
    if (host.hwnd()) DestroyWindow(host.hwnd());
    open.erase(std::find(open.begin(), open.end(), &host));
    host.dialog().Attach(nullptr);
  }
  OpenDialog(const OpenDialog&) = delete;
  OpenDialog& operator=(const OpenDialog&) = delete;
  std::vector<Win32DialogHost*>& open;
  Win32DialogHost& host;
};

// The filter sees the whole system message through the host while it runs.
struct Filtering {
  Filtering(Win32DialogHost& host, const MSG& msg)
      : host(host), previous(host.SetFilterMessage(&msg)) {}
  ~Filtering() { host.SetFilterMessage(previous); }
  Filtering(const Filtering&) = delete;
  Filtering& operator=(const Filtering&) = delete;
  Win32DialogHost& host;
  const MSG* previous;
};

}  // namespace

Win32DialogHost& Win32WindowSystem::FilterFor(HWND msgWindow, Win32DialogHost& fallback) const {
  // As the framework does: a message for a control of another open dialog
  // (the main window while a notice is open) goes through that dialog's filter.
  HWND root = msgWindow ? GetAncestor(msgWindow, GA_ROOT) : nullptr;
  for (Win32DialogHost* h : open_) {
    if (root && h->hwnd() == root) return *h;
  }
  return fallback;
}

int Win32WindowSystem::DoModal(Dialog& dialog) {
  Win32DialogHost host(dialog, module_);
  int result = -1;
  {
    OpenDialog scope(open_, host);
    HWND hwnd = CreateDialogParamA(module_, MAKEINTRESOURCEA(dialog.templateId()), nullptr,
                                   &Win32DialogHost::DialogProc, reinterpret_cast<LPARAM>(&host));
    if (hwnd && !host.ended() && !IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOW);
    while (hwnd && !host.ended()) {
      MSG msg;
      const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      if (got == -1) break;
      if (got == 0) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      Win32DialogHost& target = FilterFor(msg.hwnd, host);
      bool consumed = false;
      {
        Filtering filtering(target, msg);
        consumed = target.dialog().PreTranslateMessage(
            {msg.message, msg.wParam, static_cast<std::intptr_t>(msg.lParam)});
      }
      if (!consumed) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    if (hwnd && host.ended()) result = host.result();
  }
  if (host.failure) std::rethrow_exception(host.failure);
  return result;
}

FontHandle Win32WindowSystem::CreateFontFromSpec(const FontSpec& font) {
  return CreateFontA(font.height, font.width, font.escapement, font.orientation, font.weight,
                     font.italic, font.underline, font.strikeOut, static_cast<DWORD>(font.charSet),
                     static_cast<DWORD>(font.outPrecision), static_cast<DWORD>(font.clipPrecision),
                     static_cast<DWORD>(font.quality), static_cast<DWORD>(font.pitchAndFamily),
                     font.face.c_str());
}

void Win32WindowSystem::DeleteFont(FontHandle font) {
  if (font) DeleteObject(static_cast<HGDIOBJ>(font));
}

}  // namespace zul::ui
