// The rules that enable and fill the main window's controls from the camera
// model. No state of its own: any number of refreshes equal one.

#include "cameradata/CameraVocabulary.h"
#include "res/resource.h"
#include "ui/MainDialog.h"

namespace zul::ui {

void CZUL_PC_TOOLDlg::RefreshPanel() {
  DialogHost& h = host();

  // Controls that follow the login. While logged in, the reference-data
  // editor keeps whatever state MODIFY gave it.
  for (int id : {IDC_BUTTON_MODIFY_PASSWORD, IDC_BUTTON_MODIFY_HINT, IDC_BUTTON_MODIFY_REFERENCE,
                 IDC_BUTTON_SYNC_TIME, IDC_COMBO_RESOLUTION, IDC_COMBO_LOOP_RECORDING,
                 IDC_BUTTON_OPEN_FOLDER}) {
    h.EnableControl(id, status.loggedIn);
  }
  if (!status.loggedIn) {
    for (int id :
         {IDC_EDIT_OFFICER, IDC_EDIT_DEPARTMENT, IDC_EDIT_ADDITIONAL, IDC_BUTTON_ENTER_REFERENCE}) {
      h.EnableControl(id, false);
    }
  }

  h.ComboResetContent(IDC_COMBO_RESOLUTION);
  h.ComboResetContent(IDC_COMBO_LOOP_RECORDING);

  // Controls that follow the connection.
  h.EnableControl(IDC_EDIT_PASSWORD, status.connected);
  h.EnableControl(IDC_BUTTON_LOGIN, status.connected);
  if (status.connected) {
    for (const SettingChoice& c : kResolutionChoices)
      h.ComboAddString(IDC_COMBO_RESOLUTION, c.shown);
    h.ComboSetCurSel(IDC_COMBO_RESOLUTION, status.resolutionIndex);
    for (const SettingChoice& c : kLoopRecordingChoices) {
      h.ComboAddString(IDC_COMBO_LOOP_RECORDING, c.shown);
    }
    h.ComboSetCurSel(IDC_COMBO_LOOP_RECORDING, status.loopRecordingIndex);
  } else {
    status.firmwareText = "Device not connected.";
    status.officerText.clear();
    status.departmentText.clear();
    status.additionalText.clear();
    status.serialNumber.clear();
    status.serialLine.clear();
    status.hintText.clear();
  }

  h.SetControlText(IDC_EDIT_PASSWORD, "");
  if (status.query0D != 0 && !status.administrator) h.SetControlText(IDC_EDIT_NEW_PASSWORD, "");

  // The password and hint editors are closed by every refresh.
  for (int id : {IDC_EDIT_NEW_PASSWORD, IDC_EDIT_HINT_DISPLAY, IDC_BUTTON_ENTER_PASSWORD,
                 IDC_EDIT_NEW_HINT, IDC_BUTTON_ENTER_HINT}) {
    h.EnableControl(id, false);
  }

  h.SetControlText(IDC_STATIC_STATUS, status.firmwareText);
  h.SetControlText(IDC_EDIT_OFFICER, status.officerText);
  h.SetControlText(IDC_EDIT_DEPARTMENT, status.departmentText);
  h.SetControlText(IDC_EDIT_ADDITIONAL, status.additionalText);
  h.SetControlText(IDC_STATIC_SERIAL, status.serialLine);
  h.SetControlText(IDC_EDIT_HINT_DISPLAY, status.hintText);
}

}  // namespace zul::ui
