#pragma once
// The dialog class the window code derives from: an identifier-addressed host
// of controls (DialogHost), a message table that binds messages to handlers,
// and the framework's default OK/Cancel/keyboard behaviour. Written once;
// the Win32 and headless backends supply the host and run the modal loop.

#include <cstdint>
#include <span>
#include <string>

#include "ui/framework/WinDefs.h"

namespace zul::ui {

class Dialog;
class DialogHost;
class WindowSystem;

struct Message {
  unsigned message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

struct Point {
  int x = 0;
  int y = 0;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

// A paint or colour context handed to a handler for the length of one message.
class DeviceContext {
 public:
  virtual ~DeviceContext() = default;
  // Runs the framework's default colour handling for the control being
  // drawn and returns the brush it chose.
  virtual std::intptr_t DefaultColors() = 0;
  virtual void SetTextColor(std::uint32_t rgb) = 0;
};

// One message-table row: message, notification code and control identifier
// (WM_COMMAND only), and the adapter that calls the handler.
struct MessageEntry {
  unsigned message;
  unsigned code;
  int id;
  std::intptr_t (*handler)(Dialog&, const Message&);
};

class Dialog {
 public:
  Dialog(WindowSystem& windows, int templateId) : windows_(windows), templateId_(templateId) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the window from its template, runs OnInitDialog and the modal
  // loop until EndDialog; returns the EndDialog result.
  int DoModal();
  void EndDialog(int result);

  int templateId() const { return templateId_; }
  DialogHost& host() const { return *host_; }
  WindowSystem& windows() const { return windows_; }

  // Called by the backends.
  virtual bool OnInitDialog() { return true; }
  // Keyboard and other messages of the modal loop before the dialog's own
  // handling; true when consumed. The default runs the framework's dialog
  // filtering (Enter presses the default button, Escape cancels, Tab moves).
  virtual bool PreTranslateMessage(const Message& msg);
  // Routes msg through the message table; false when no row matches.
  bool Dispatch(const Message& msg, std::intptr_t& result);
  virtual void OnOK() { EndDialog(win::kIdOk); }
  virtual void OnCancel() { EndDialog(win::kIdCancel); }

  void Attach(DialogHost* host) { host_ = host; }

 protected:
  virtual std::span<const MessageEntry> MessageTable() const { return {}; }

 private:
  WindowSystem& windows_;
  int templateId_;
  DialogHost* host_ = nullptr;
};

}  // namespace zul::ui

// Message-table macros in the framework's manner:
//   BEGIN_MESSAGE_MAP(CMyDlg)
//     ON_BN_CLICKED(1004, OnLogin)
//     ON_WM_TIMER()
//   END_MESSAGE_MAP()
// with `std::span<const zul::ui::MessageEntry> MessageTable() const override;`
// declared in the class.
#define BEGIN_MESSAGE_MAP(Class)                                       \
  std::span<const zul::ui::MessageEntry> Class::MessageTable() const { \
    using ThisClass = Class;                                           \
    static const zul::ui::MessageEntry table[] = {
#define END_MESSAGE_MAP() \
  }                       \
  ;                       \
  return table;           \
  }
#define ZUL_ON_COMMAND_CODE(id, notifyCode, fn)                       \
  {::zul::win::kWmCommand, static_cast<unsigned>(notifyCode), (id),   \
   [](zul::ui::Dialog& d, const zul::ui::Message&) -> std::intptr_t { \
     static_cast<ThisClass&>(d).fn();                                 \
     return 0;                                                        \
   }},
#define ON_BN_CLICKED(id, fn) ZUL_ON_COMMAND_CODE(id, ::zul::win::kBnClicked, fn)
#define ON_CBN_SELCHANGE(id, fn) ZUL_ON_COMMAND_CODE(id, ::zul::win::kCbnSelChange, fn)
#define ON_COMMAND(id, fn) ZUL_ON_COMMAND_CODE(id, 0, fn)
#define ON_WM_PAINT()                                                                             \
  {::zul::win::kWmPaint, 0, 0, [](zul::ui::Dialog& d, const zul::ui::Message&) -> std::intptr_t { \
     static_cast<ThisClass&>(d).OnPaint();                                                        \
     return 0;                                                                                    \
   }},
#define ON_WM_QUERYDRAGICON()                                                              \
  {::zul::win::kWmQueryDragIcon, 0, 0,                                                     \
   [](zul::ui::Dialog& d, const zul::ui::Message&) -> std::intptr_t {                      \
     return reinterpret_cast<std::intptr_t>(static_cast<ThisClass&>(d).OnQueryDragIcon()); \
   }},
#define ON_WM_TIMER()                                                   \
  {::zul::win::kWmTimer, 0, 0,                                          \
   [](zul::ui::Dialog& d, const zul::ui::Message& m) -> std::intptr_t { \
     static_cast<ThisClass&>(d).OnTimer(m.wParam);                      \
     return 0;                                                          \
   }},
#define ON_WM_DEVICECHANGE()                                                                 \
  {::zul::win::kWmDeviceChange, 0, 0,                                                        \
   [](zul::ui::Dialog& d, const zul::ui::Message& m) -> std::intptr_t {                      \
     return static_cast<ThisClass&>(d).OnDeviceChange(static_cast<unsigned>(m.wParam),       \
                                                      static_cast<std::uintptr_t>(m.lParam)) \
                ? 1                                                                          \
                : 0;                                                                         \
   }},
// WM_CTLCOLORSTATIC: wParam carries a DeviceContext*, lParam the control id.
// The handler returns the brush it chooses (0: the framework's default).
#define ON_WM_CTLCOLOR()                                                                    \
  {::zul::win::kWmCtlColorStatic, 0, 0,                                                     \
   [](zul::ui::Dialog& d, const zul::ui::Message& m) -> std::intptr_t {                     \
     return static_cast<ThisClass&>(d).OnCtlColor(                                          \
         *reinterpret_cast<zul::ui::DeviceContext*>(m.wParam), static_cast<int>(m.lParam)); \
   }},
// WM_DPICHANGED: the new DPI in the low 16 bits of wParam. The handler runs
// after the system laid the window and its controls out for it.
#define ON_WM_DPICHANGED()                                                         \
  {::zul::win::kWmDpiChanged, 0, 0,                                                \
   [](zul::ui::Dialog& d, const zul::ui::Message& m) -> std::intptr_t {            \
     static_cast<ThisClass&>(d).OnDpiChanged(static_cast<int>(m.wParam & 0xFFFF)); \
     return 0;                                                                     \
   }},
// WM_LBUTTONDOWN: wParam the key flags, lParam x in the low and y in the high 16 bits.
#define ON_WM_LBUTTONDOWN()                                                                      \
  {::zul::win::kWmLButtonDown, 0, 0,                                                             \
   [](zul::ui::Dialog& d, const zul::ui::Message& m) -> std::intptr_t {                          \
     const auto lp = static_cast<std::uint32_t>(m.lParam);                                       \
     static_cast<ThisClass&>(d).OnLButtonDown(                                                   \
         static_cast<unsigned>(m.wParam), zul::ui::Point{static_cast<std::int16_t>(lp & 0xFFFF), \
                                                         static_cast<std::int16_t>(lp >> 16)});  \
     return 0;                                                                                   \
   }},
