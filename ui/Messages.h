#pragma once
// The operator flows' message boxes: one caption, an OK button, US English and
// no owner window, so every flow reports the same way. The texts shared with
// zulctl are in OperatorTexts.h.

#include <string>

#include "cameradata/OperatorTexts.h"
#include "ui/framework/SystemServices.h"

namespace zul::ui {

inline constexpr char kMessageCaption[] = "Marlowen V1.6";

// MessageBoxExA(no owner, text, "Marlowen V1.6", MB_OK, 1033).
void ShowMessage(SystemServices& services, const std::string& text);

// The message for an exchange that did not go through: no camera, or no answer.
void ReportFailure(SystemServices& services, Exchange outcome);

// "cmd.exe /c echo y|CHKDSK F: /F": the disk checker over the camera's drive,
// as the flows that hand the drive back to the system start it.
std::string DiskCheckCommand(const std::string& drive);

}  // namespace zul::ui
