#include "ui/framework/Templates.h"

#include <iterator>

#include "res/TermsHost.h"
#include "res/resource.h"
#include "ui/framework/WinDefs.h"

namespace zul::ui {
namespace {

constexpr std::uint32_t kChild = win::kWsChild | win::kWsVisible;
constexpr std::uint32_t kLabel = kChild | win::kSsLeft | win::kWsGroup;
constexpr std::uint32_t kButton = kChild | win::kBsPushButton | win::kWsTabStop;
constexpr std::uint32_t kGroupBox = kChild | win::kBsGroupBox;
constexpr std::uint32_t kEdit = kChild | win::kWsBorder | win::kWsTabStop | win::kEsAutoHScroll;
constexpr std::uint32_t kCombo = kChild | win::kCbsDropDown | win::kWsVScroll | win::kWsTabStop;

// Template order is the tab order.
constexpr ControlTemplate kMainControls[] = {
    {IDC_STATIC, "STATIC", "Video Resolution", 291, 294, 57, 8, kLabel, 0},
    {IDC_COMBO_RESOLUTION, "COMBOBOX", "", 290, 309, 89, 55, kCombo, 0},
    {IDC_BUTTON_SYNC_TIME, "BUTTON", "Sync PC Current Time", 21, 271, 82, 14, kButton, 0},
    {IDC_STATIC, "STATIC", "Current PC time:", 24, 295, 55, 8, kLabel, 0},
    {IDC_STATIC_CLOCK, "STATIC", "", 21, 310, 84, 8, kLabel, 0},
    {IDC_STATIC, "BUTTON", "Login", 7, 7, 464, 66, kGroupBox, 0},
    {IDC_STATIC, "BUTTON", "Camera Options", 7, 257, 464, 75, kGroupBox, 0},
    {IDC_STATIC, "STATIC", "Password", 23, 30, 32, 8, kLabel, 0},
    {IDC_EDIT_PASSWORD, "EDIT", "", 23, 48, 89, 14, kEdit | win::kEsPassword, 0},
    {IDC_BUTTON_LOGIN, "BUTTON", "ENTER", 138, 48, 89, 14, kButton, 0},
    {IDC_STATIC_STATUS, "STATIC", "Device not connected.", 7, 341, 173, 8, kLabel, 0},
    {IDC_BUTTON_OPEN_FOLDER, "BUTTON", "Open file folder", 373, 48, 85, 14, kButton, 0},
    {IDC_BUTTON_MODIFY_PASSWORD, "BUTTON", "MODIFY PASSWORD", 43, 100, 99, 14, kButton, 0},
    {IDC_STATIC_SERIAL, "STATIC", "", 325, 341, 146, 8, kLabel, win::kWsExRight},
    {IDC_EDIT_NEW_PASSWORD, "EDIT", "", 179, 100, 94, 14, kEdit, 0},
    {IDC_STATIC, "STATIC", "Reset Password(4-10 characters)", 179, 85, 119, 8, kLabel, 0},
    {IDC_STATIC, "BUTTON", "Reference Data", 7, 161, 464, 88, kGroupBox, 0},
    {IDC_STATIC, "STATIC", "Officer (optional)", 23, 201, 95, 8, kLabel, 0},
    {IDC_STATIC, "STATIC", "Department ", 135, 201, 79, 8, kLabel, 0},
    {IDC_STATIC, "STATIC", "Additional", 244, 201, 73, 8, kLabel, 0},
    {IDC_EDIT_OFFICER, "EDIT", "", 23, 222, 89, 14, kEdit, 0},
    {IDC_EDIT_DEPARTMENT, "EDIT", "", 135, 222, 89, 14, kEdit, 0},
    {IDC_EDIT_ADDITIONAL, "EDIT", "", 244, 222, 89, 14, kEdit, 0},
    {IDC_BUTTON_MODIFY_REFERENCE, "BUTTON", "MODIFY", 21, 178, 91, 14, kButton, 0},
    {IDC_STATIC, "STATIC", "Overwrite", 159, 294, 56, 8, kLabel, 0},
    {IDC_COMBO_LOOP_RECORDING, "COMBOBOX", "", 159, 309, 90, 47, kCombo, 0},
    {IDC_STATIC, "STATIC", "Password Hint", 260, 30, 97, 8, kLabel, 0},
    {IDC_EDIT_HINT_DISPLAY, "EDIT", "", 259, 48, 89, 14, kEdit, 0},
    {IDC_STATIC, "STATIC", "Warning:", 23, 19, 30, 8, kLabel, 0},
    {IDC_STATIC, "STATIC", "The device will be locked after 6 wrong password attempts.", 56, 19,
     200, 8, kLabel, 0},
    {IDC_BUTTON_ENTER_REFERENCE, "BUTTON", "ENTER", 359, 222, 90, 14, kButton, 0},
    {IDC_STATIC, "BUTTON", "Modify Login", 7, 76, 464, 80, kGroupBox, 0},
    {IDC_BUTTON_ENTER_PASSWORD, "BUTTON", "ENTER", 317, 100, 99, 14, kButton, 0},
    {IDC_STATIC, "STATIC", "Reset Hint(4-10 characters)", 179, 121, 118, 8, kLabel, 0},
    {IDC_EDIT_NEW_HINT, "EDIT", "", 180, 134, 93, 14, kEdit, 0},
    {IDC_BUTTON_ENTER_HINT, "BUTTON", "ENTER", 317, 134, 99, 14, kButton, 0},
    {IDC_BUTTON_MODIFY_HINT, "BUTTON", "MODIFY PASSWORD HINT", 43, 134, 99, 14, kButton, 0},
};

// The statics send no notifications (no SS_NOTIFY), so clicks on the link
// texts reach the dialog itself.
constexpr ControlTemplate kTermsControls[] = {
    {win::kIdOk, "BUTTON", "OK", 102, 40, 50, 14, kChild | win::kBsDefPushButton | win::kWsTabStop,
     0},
    {IDC_STATIC, "STATIC", "PASSWORD ACCEPTED", 87, 26, 83, 8, kLabel, 0},
    {IDC_STATIC, "STATIC", "BY ACCESSING THIS DEVICE YOU AGREE TO", 54, 62, 153, 8, kLabel, 0},
    {IDC_STATIC, "STATIC", "MARLOWEN'S ", 64, 77, 39, 8, kLabel, 0},
    {IDC_STATIC, "STATIC", "PLEASE VISIT", 107, 93, 51, 8, kLabel, 0},
    {IDC_STATIC_ADDRESS_LINE1, "STATIC", "https://" TERMS_PAGE_HOST "/LAW-", 61, 107, 143, 10,
     kLabel, 0},
    {IDC_STATIC_ADDRESS_LINE2, "STATIC", "ENFORCEMENT/KORA-DUTY/TERMS-AND-CONDITIONS/ ", 36, 118,
     195, 8, kLabel, 0},
    {IDC_STATIC_TERMS_LINK, "STATIC", "TERMS AND CONDITIONS", 105, 77, 124, 8, kLabel, 0},
};

constexpr DialogTemplate kTemplates[] = {
    {IDD_ZUL_PC_TOOL_DIALOG, "MARLOWEN RZC V1.5", 0, 0, 478, 349,
     win::kWsPopup | win::kWsVisible | win::kWsCaption | win::kWsSysMenu | win::kDsModalFrame |
         win::kDsSetFont | win::kDsFixedSys,
     win::kWsExAppWindow, "MS Shell Dlg", 9, 0, kMainControls},
    {IDD_WARMING_MSG, "MARLOWEN RZC V1.6", 0, 0, 259, 146,
     win::kWsPopup | win::kWsCaption | win::kWsSysMenu | win::kDsModalFrame | win::kDsSetFont, 0,
     "MS Shell Dlg", 8, 400, kTermsControls},
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int templateId) {
  for (const DialogTemplate& t : kTemplates) {
    if (t.id == templateId) return &t;
  }
  return nullptr;
}

}  // namespace zul::ui
