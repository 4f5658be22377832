#include "app/SimulatedSystemServices.h"

namespace zul::app {

void SimulatedSystemServices::Report(const std::string& line) {
  if (!report_) return;
  std::fprintf(report_, "%s\n", line.c_str());
  std::fflush(report_);
}

void SimulatedSystemServices::StartHidden(const std::string& commandLine) {
  if (trace_) trace_->WriteLine("exec: " + commandLine);
  if (execute_) {
    inner_.StartHidden(commandLine);
  } else {
    Report("simulation: would run: " + commandLine);
  }
}

void SimulatedSystemServices::ShellOpen(const std::string& file, const std::string& parameters) {
  const std::string what = parameters.empty() ? file : file + " " + parameters;
  if (trace_) trace_->WriteLine("open: " + what);
  if (execute_) {
    inner_.ShellOpen(file, parameters);
  } else {
    Report("simulation: would open: " + what);
  }
}

}  // namespace zul::app
