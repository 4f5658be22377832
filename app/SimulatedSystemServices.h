#pragma once
// The PC's services as seen by a simulated camera: the disk checker and the
// file browser would act on a drive letter that only the simulation has, or
// worse on a real drive of the PC behind that letter ("explorer F:\" names the
// drive only in its parameters), so in a simulation nothing is started or
// opened at all. The program says on its report stream what it would have run,
// and a trace gets one line per request either way, in the order they come:
//   exec: <command line>
//   open: <file> <parameters>
// Everything else (message boxes, clocks, sleeping) goes to the real services.

#include <cstdio>

#include "devicelink/TraceLog.h"
#include "ui/framework/SystemServices.h"

namespace zul::app {

class SimulatedSystemServices final : public ui::SystemServices {
 public:
  // trace: optional. execute: also start and open what is asked (false for a
  // simulation). report: where "would run" lines go; nullptr for none.
  SimulatedSystemServices(ui::SystemServices& inner, TraceLog* trace, bool execute,
                          std::FILE* report = stderr)
      : inner_(inner), trace_(trace), execute_(execute), report_(report) {}

  int MessageBox(const std::string& text, const std::string& caption, unsigned type,
                 unsigned short languageId) override {
    return inner_.MessageBox(text, caption, type, languageId);
  }
  int FrameworkMessageBox(const std::string& text, unsigned type) override {
    return inner_.FrameworkMessageBox(text, type);
  }
  void Sleep(unsigned milliseconds) override { inner_.Sleep(milliseconds); }
  void StartHidden(const std::string& commandLine) override;
  void ShellOpen(const std::string& file, const std::string& parameters) override;
  ui::LocalTime GetLocalTime() override { return inner_.GetLocalTime(); }
  std::int64_t CalendarSeconds() override { return inner_.CalendarSeconds(); }
  std::optional<ui::CalendarTime> ToLocalCalendar(std::int64_t seconds) override {
    return inner_.ToLocalCalendar(seconds);
  }
  bool RegisterDeviceNotices(ui::DialogHost& window) override {
    return inner_.RegisterDeviceNotices(window);
  }

 private:
  void Report(const std::string& line);

  ui::SystemServices& inner_;
  TraceLog* trace_;
  bool execute_;
  std::FILE* report_;
};

}  // namespace zul::app
