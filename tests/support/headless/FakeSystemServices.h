#pragma once
// SystemServices for the tests: records every message box, hidden start and
// shell open with the time of a virtual clock, which only Sleep advances, so a
// test can check waits and spacing without waiting itself.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/framework/SystemServices.h"
#include "ui/framework/WinDefs.h"

namespace zul::ui {

struct ServiceCall {
  enum class Kind { MessageBox, FrameworkMessageBox, StartHidden, ShellOpen };
  Kind kind;
  std::string text;        // box text, command line, or the file opened
  std::string caption;     // box caption
  std::string parameters;  // shell open parameters
  unsigned type = 0;       // box type, the framework's icon included
  unsigned short languageId = 0;
  std::uint64_t atMs = 0;  // virtual time of the call
};

class FakeSystemServices final : public SystemServices {
 public:
  int MessageBox(const std::string& text, const std::string& caption, unsigned type,
                 unsigned short languageId) override;
  int FrameworkMessageBox(const std::string& text, unsigned type) override;
  void Sleep(unsigned milliseconds) override;
  void StartHidden(const std::string& commandLine) override;
  void ShellOpen(const std::string& file, const std::string& parameters) override;
  LocalTime GetLocalTime() override { return localTime_; }
  std::int64_t CalendarSeconds() override;
  std::optional<CalendarTime> ToLocalCalendar(std::int64_t seconds) override;
  bool RegisterDeviceNotices(DialogHost& window) override;

  // --- Settings ---
  // Runs while a message box is open, before it returns its answer: a test
  // can deliver a device notice or press other buttons meanwhile.
  std::function<void(const ServiceCall&)> whileBoxOpen;
  int boxAnswer = win::kIdOk;
  // Runs after every Sleep has advanced the virtual clock.
  std::function<void()> onSleep;
  std::string applicationName = "ZUL_PC_TOOL";  // the framework box's caption

  void SetLocalTime(const LocalTime& time) { localTime_ = time; }
  // The calendar clock reads seconds + milliseconds/1000 now; while it runs it
  // moves on with the virtual clock.
  void SetCalendar(std::int64_t seconds, int milliseconds = 0);
  void SetCalendarRunning(bool running);
  void SetUtcOffsetSeconds(std::int64_t offset) { utcOffset_ = offset; }
  void FailLocalCalendar(bool fail) { failLocal_ = fail; }
  void FailDeviceNotices(bool fail) { failNotices_ = fail; }

  // --- What happened ---
  std::uint64_t nowMs() const { return nowMs_; }
  const std::vector<ServiceCall>& calls() const { return calls_; }
  std::vector<ServiceCall> CallsOf(ServiceCall::Kind kind) const;
  int sleepCalls() const { return sleepCalls_; }
  int calendarReads() const { return calendarReads_; }
  int noticeRegistrations() const { return registrations_; }
  const DialogHost* registeredWindow() const { return registeredWindow_; }

 private:
  void AdvanceCalendar();
  int Box(ServiceCall call);

  std::uint64_t nowMs_ = 0;
  LocalTime localTime_;
  std::int64_t calendarMs_ = 1515481503000;  // 2018-01-09 07:05:03 UTC
  std::uint64_t calendarSyncedAt_ = 0;
  bool calendarRunning_ = true;
  std::int64_t utcOffset_ = 0;
  bool failLocal_ = false;
  bool failNotices_ = false;
  std::vector<ServiceCall> calls_;
  int sleepCalls_ = 0;
  int calendarReads_ = 0;
  int registrations_ = 0;
  const DialogHost* registeredWindow_ = nullptr;
};

// The calendar fields of a count of seconds since 1 January 1970.
CalendarTime CalendarFromSeconds(std::int64_t seconds);

}  // namespace zul::ui
