#pragma once
// The main window: the camera's status panel, the PC clock and the reaction to
// drives coming and going. The operator flows add their handlers to its
// message table (MainDialog.cpp), each flow in a file of its own.

#include <cstdint>
#include <span>
#include <string>

#include "audit/AuditLog.h"
#include "cameradata/CameraOperations.h"
#include "cameradata/CameraStatus.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/DialogHost.h"
#include "ui/framework/SystemServices.h"

namespace zul::ui {

inline constexpr std::uintptr_t CLOCK_TIMER_ID = 100;

class CZUL_PC_TOOLDlg : public Dialog {
 public:
  // Waiting for the next calendar second sleeps in steps of kWaitStepMs and
  // gives up after kWaitLimitMs, so a clock set back cannot hang the window.
  static constexpr unsigned kWaitStepMs = 10;
  static constexpr unsigned kWaitLimitMs = 1500;

  CZUL_PC_TOOLDlg(WindowSystem& windows, SystemServices& services, DeviceSession& session);

  bool OnInitDialog() override;
  void OnTimer(std::uintptr_t timerId);
  bool OnDeviceChange(unsigned eventType, std::uintptr_t eventData);
  void OnPaint();
  IconHandle OnQueryDragIcon();

  // Brings the controls in line with status; touches nothing else.
  void RefreshPanel();
  // Reads the camera into status; true when the readout got the serial number.
  bool ReadCameraStatus();
  // Waits until the calendar clock's seconds value has moved on from its
  // first reading; false when it gave up.
  bool WaitForNextSecond();

  // Login and the editing groups (LoginFlow.cpp, EditingFlows.cpp), and the
  // keyboard filter (KeyboardFilter.cpp).
  void OnLogin();
  void ReleaseDrive();
  void OnModifyPassword();
  void OnEnterNewPassword();
  void OnModifyHint();
  void OnEnterHint();
  void OnModifyReference();
  void OnEnterReference();
  bool PreTranslateMessage(const Message& msg) override;

  // Camera options (CameraOptions.cpp).
  void OnSyncTime();
  void OnResolutionChange();
  void OnLoopRecordingChange();
  void OnOpenFolder();

  // The window's model of the camera (resolutionIndex ... hintText, loggedIn),
  // then the window icon.
  CameraStatus status;
  IconHandle icon = nullptr;
  // Where each change attempt is recorded, or nullptr (--audit).
  AuditLog* audit = nullptr;

 protected:
  std::span<const MessageEntry> MessageTable() const override;
  SystemServices& services() const { return services_; }
  DeviceSession& session() const { return session_; }

 private:
  // Finds the camera and writes the texts to it; shows why they did not reach
  // it and returns false when they did not.
  bool WriteToCamera(std::span<const TextToWrite> texts);
  // A combo box's selection sent as a setting to the camera found afresh.
  Exchange SendSelection(std::uint32_t code, int index);
  // Appends the attempt, with the drive the session holds and the serial
  // number of the window's readout, to the audit file, if there is one. A
  // line that could not be written is told once the flow's own message has
  // been shown: each flow that records holds an AuditNotice.
  void Record(AuditEntry attempt);
  class AuditNotice {
   public:
    explicit AuditNotice(CZUL_PC_TOOLDlg& dialog) : dialog_(dialog) {}
    ~AuditNotice();
    AuditNotice(const AuditNotice&) = delete;
    AuditNotice& operator=(const AuditNotice&) = delete;

   private:
    CZUL_PC_TOOLDlg& dialog_;
  };
  // The window's readout, when the last one answered in full.
  const CameraStatus* Readout() const { return status.connected ? &status : nullptr; }

  SystemServices& services_;
  DeviceSession& session_;
  std::string auditFault_;  // from Record, for the flow's AuditNotice
};

}  // namespace zul::ui
