#include "tests/support/headless/FakeSystemServices.h"

#include "ui/framework/WinDefs.h"

namespace zul::ui {

int FakeSystemServices::Box(ServiceCall call) {
  call.atMs = nowMs_;
  calls_.push_back(call);
  if (whileBoxOpen) whileBoxOpen(call);
  return boxAnswer;
}

int FakeSystemServices::MessageBox(const std::string& text, const std::string& caption,
                                   unsigned type, unsigned short languageId) {
  return Box({ServiceCall::Kind::MessageBox, text, caption, {}, type, languageId, 0});
}

int FakeSystemServices::FrameworkMessageBox(const std::string& text, unsigned type) {
  // The framework adds the exclamation icon when the type names none.
  constexpr unsigned kIconMask = 0xF0;
  if ((type & kIconMask) == 0) type |= win::kMbIconExclamation;
  return Box({ServiceCall::Kind::FrameworkMessageBox, text, applicationName, {}, type, 0, 0});
}

void FakeSystemServices::Sleep(unsigned milliseconds) {
  AdvanceCalendar();
  nowMs_ += milliseconds;
  ++sleepCalls_;
  if (onSleep) onSleep();
}

void FakeSystemServices::StartHidden(const std::string& commandLine) {
  calls_.push_back({ServiceCall::Kind::StartHidden, commandLine, {}, {}, 0, 0, nowMs_});
}

void FakeSystemServices::ShellOpen(const std::string& file, const std::string& parameters) {
  calls_.push_back({ServiceCall::Kind::ShellOpen, file, {}, parameters, 0, 0, nowMs_});
}

void FakeSystemServices::AdvanceCalendar() {
  if (calendarRunning_) calendarMs_ += static_cast<std::int64_t>(nowMs_ - calendarSyncedAt_);
  calendarSyncedAt_ = nowMs_;
}

void FakeSystemServices::SetCalendar(std::int64_t seconds, int milliseconds) {
  calendarMs_ = seconds * 1000 + milliseconds;
  calendarSyncedAt_ = nowMs_;
}

void FakeSystemServices::SetCalendarRunning(bool running) {
  AdvanceCalendar();
  calendarRunning_ = running;
}

std::int64_t FakeSystemServices::CalendarSeconds() {
  ++calendarReads_;
  AdvanceCalendar();
  // Floor division: the seconds value of a moment before 1970 is negative.
  return calendarMs_ >= 0 ? calendarMs_ / 1000 : -((-calendarMs_ + 999) / 1000);
}

std::optional<CalendarTime> FakeSystemServices::ToLocalCalendar(std::int64_t seconds) {
  if (failLocal_) return std::nullopt;
  return CalendarFromSeconds(seconds + utcOffset_);
}

bool FakeSystemServices::RegisterDeviceNotices(DialogHost& window) {
  ++registrations_;
  if (failNotices_) return false;
  registeredWindow_ = &window;
  return true;
}

std::vector<ServiceCall> FakeSystemServices::CallsOf(ServiceCall::Kind kind) const {
  std::vector<ServiceCall> out;
  for (const ServiceCall& c : calls_) {
    if (c.kind == kind) out.push_back(c);
  }
  return out;
}

CalendarTime CalendarFromSeconds(std::int64_t seconds) {
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  // Civil date from a day count (proleptic Gregorian, eras of 400 years).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  CalendarTime t;
  t.year = static_cast<int>(year);
  t.month = static_cast<int>(month);
  t.day = static_cast<int>(day);
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

}  // namespace zul::ui
