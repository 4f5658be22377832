#include "ui/Messages.h"

#include "ui/framework/WinDefs.h"

namespace zul::ui {

void ShowMessage(SystemServices& services, const std::string& text) {
  services.MessageBox(text, kMessageCaption, win::kMbOk,
                      win::MakeLangId(win::kLangEnglish, win::kSublangEnglishUs));
}

void ReportFailure(SystemServices& services, Exchange outcome) {
  ShowMessage(services, outcome == Exchange::NoCamera ? kDeviceNotConnected : kCameraDidNotAnswer);
}

std::string DiskCheckCommand(const std::string& drive) {
  return "cmd.exe /c echo y|CHKDSK " + drive + " /F";
}

}  // namespace zul::ui
