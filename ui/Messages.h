#pragma once
// The operator flows' message boxes: one caption, an OK button, US English and
// no owner window, so every flow reports the same way. The texts shared by
// several flows are named here.

#include <string>

#include "SystemServices.h"

namespace zul::ui {

inline constexpr char kMessageCaption[] = "Marlowen V1.6";
inline constexpr char kDeviceNotConnected[] = "Device not connected.";
inline constexpr char kCameraDidNotAnswer[] =
    "The camera did not answer. Please check the USB connection and try again.";

// MessageBoxExA(no owner, text, "Marlowen V1.6", MB_OK, 1033).
void ShowMessage(SystemServices& services, const std::string& text);

}  // namespace zul::ui
