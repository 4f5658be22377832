#include "cli/win32/VolumeNotices.h"

// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

namespace zul::cli {

std::vector<DeviceNotice> VolumeMaskNotices(DeviceNotice::Change change, std::uint32_t unitMask) {
  std::vector<DeviceNotice> notices;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    if (unitMask & (std::uint32_t{1} << (letter - 'A'))) {
      notices.push_back({change, DriveLetterCandidate(letter)});
    }
  }
  return notices;
}

namespace {

std::string SystemMessage(const char* what) {
  return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

class VolumeNotices final : public DeviceNotices {
 public:
  bool Open(std::string& error) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &VolumeNotices::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kVolumeNoticeClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      error = SystemMessage("RegisterClassEx");
      return false;
    }
    // Top-level and hidden: the volume broadcasts reach it, nobody sees it.
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kVolumeNoticeClass, L"", WS_POPUP, 0, 0, 0, 0,
                              nullptr, nullptr, wc.hInstance, this);
    if (!window_) {
      error = SystemMessage("CreateWindowEx");
      return false;
    }
    return true;
  }

  ~VolumeNotices() override {
    if (window_) DestroyWindow(window_);
  }

  bool Wait(std::chrono::milliseconds timeout, std::vector<DeviceNotice>& notices,
            std::string&) override {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      const ULONGLONG now = GetTickCount64();
      if (!pending_.empty() || now >= end) break;
      // Sent messages (the broadcast is one) are delivered inside this wait.
      MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
    }
    notices.insert(notices.end(), pending_.begin(), pending_.end());
    pending_.clear();
    return true;
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<VolumeNotices*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_DEVICECHANGE && self &&
        (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && lParam) {
      const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
      if (header->dbch_devicetype == DBT_DEVTYP_VOLUME) {
        const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(lParam);
        const auto change = wParam == DBT_DEVICEARRIVAL ? DeviceNotice::Change::Arrived
                                                        : DeviceNotice::Change::Removed;
        for (DeviceNotice& n : VolumeMaskNotices(change, volume->dbcv_unitmask)) {
          self->pending_.push_back(std::move(n));
        }
      }
      return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  std::vector<DeviceNotice> pending_;
};

}  // namespace

std::unique_ptr<DeviceNotices> OpenSystemNotices(DevicePort&, std::string& error) {
  auto notices = std::make_unique<VolumeNotices>();
  if (!notices->Open(error)) return nullptr;
  return notices;
}

}  // namespace zul::cli
