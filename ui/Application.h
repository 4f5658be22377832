#pragma once
// The application object: runs the main window modally and ends the process
// when it closes. It holds no state; the window system, the PC services and
// the device session are handed to it.

#include "audit/AuditLog.h"
#include "devicelink/DeviceSession.h"
#include "ui/framework/DialogHost.h"
#include "ui/framework/SystemServices.h"

namespace zul::ui {

class CZUL_PC_TOOLApp {
 public:
  // audit: where the window records each change attempt, or nullptr.
  CZUL_PC_TOOLApp(WindowSystem& windows, SystemServices& services, DeviceSession& session,
                  AuditLog* audit = nullptr)
      : windows_(windows), services_(services), session_(session), audit_(audit) {}

  // Runs the main window until it closes; always false, so the process ends
  // instead of entering an application message loop.
  bool InitInstance();

 private:
  WindowSystem& windows_;
  SystemServices& services_;
  DeviceSession& session_;
  AuditLog* audit_;
};

}  // namespace zul::ui
