#pragma once
// The Windows message, notification and constant values the window code uses,
// under the project's own names so that the portable code needs no system
// header. They keep the system's values and literal types; the Win32 backend
// checks at compile time that each one equals the system's
// (win32/WinDefsCheck.cpp).

#include <cstdint>

namespace zul::win {

inline constexpr auto kWmPaint = 0x000F;
inline constexpr auto kWmClose = 0x0010;
inline constexpr auto kWmQueryDragIcon = 0x0037;
inline constexpr auto kWmIconEraseBkgnd = 0x0027;
inline constexpr auto kWmSetIcon = 0x0080;
inline constexpr auto kWmKeyDown = 0x0100;
inline constexpr auto kWmCommand = 0x0111;
inline constexpr auto kWmTimer = 0x0113;
inline constexpr auto kWmCtlColorStatic = 0x0138;
inline constexpr auto kWmLButtonDown = 0x0201;
inline constexpr auto kMkLButton = 0x0001;
inline constexpr auto kWmDeviceChange = 0x0219;
inline constexpr auto kWmDpiChanged = 0x02E0;
inline constexpr auto kBnClicked = 0;
inline constexpr auto kCbnSelChange = 1;
inline constexpr auto kCbErr = (-1);
inline constexpr auto kVkTab = 0x09;
inline constexpr auto kVkReturn = 0x0D;
inline constexpr auto kVkEscape = 0x1B;
inline constexpr auto kIdOk = 1;
inline constexpr auto kIdCancel = 2;
inline constexpr auto kMbOk = 0x00000000L;
inline constexpr auto kMbOkCancel = 0x00000001L;
inline constexpr auto kMbIconError = 0x00000010L;
inline constexpr auto kMbIconExclamation = 0x00000030L;
inline constexpr auto kIconSmall = 0;
inline constexpr auto kIconBig = 1;
inline constexpr auto kSmCxIcon = 11;
inline constexpr auto kSmCyIcon = 12;
inline constexpr auto kSwHide = 0;
inline constexpr auto kSwShow = 5;
inline constexpr auto kDbtDeviceArrival = 0x8000;
inline constexpr auto kDbtDeviceQueryRemove = 0x8001;
inline constexpr auto kDbtDeviceRemoveComplete = 0x8004;
inline constexpr auto kDbtDevTypDeviceInterface = 0x00000005;
inline constexpr auto kDeviceNotifyWindowHandle = 0x00000000;
inline constexpr auto kLangEnglish = 0x09;
inline constexpr auto kSublangEnglishUs = 0x01;
inline constexpr auto kFwBold = 700;
inline constexpr auto kAnsiCharset = 0;
inline constexpr auto kOutDefaultPrecis = 0;
inline constexpr auto kClipDefaultPrecis = 0;
inline constexpr auto kDefaultQuality = 0;
inline constexpr auto kFfSwiss = (2 << 4);
inline constexpr auto kDefaultPitch = 0;
// Window, control and dialog styles of the two templates.
inline constexpr auto kWsPopup = 0x80000000L;
inline constexpr auto kWsChild = 0x40000000L;
inline constexpr auto kWsVisible = 0x10000000L;
inline constexpr auto kWsDisabled = 0x08000000L;
inline constexpr auto kWsCaption = 0x00C00000L;
inline constexpr auto kWsBorder = 0x00800000L;
inline constexpr auto kWsVScroll = 0x00200000L;
inline constexpr auto kWsSysMenu = 0x00080000L;
inline constexpr auto kWsGroup = 0x00020000L;
inline constexpr auto kWsTabStop = 0x00010000L;
inline constexpr auto kWsExRight = 0x00001000L;
inline constexpr auto kWsExAppWindow = 0x00040000L;
inline constexpr auto kDsFixedSys = 0x0008L;
inline constexpr auto kDsSetFont = 0x40L;
inline constexpr auto kDsModalFrame = 0x80L;
inline constexpr auto kSsLeft = 0x00000000L;
inline constexpr auto kSsNotify = 0x00000100L;
inline constexpr auto kBsPushButton = 0x00000000L;
inline constexpr auto kBsDefPushButton = 0x00000001L;
inline constexpr auto kBsGroupBox = 0x00000007L;
inline constexpr auto kEsLeft = 0x0000L;
inline constexpr auto kEsPassword = 0x0020L;
inline constexpr auto kEsAutoHScroll = 0x0080L;
inline constexpr auto kCbsDropDown = 0x0002L;

constexpr std::uint16_t MakeLangId(std::uint16_t primary, std::uint16_t sub) {
  return static_cast<std::uint16_t>((sub << 10) | primary);
}

constexpr std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
         (static_cast<std::uint32_t>(b) << 16);
}

}  // namespace zul::win
