#include "Messages.h"

#include "WinDefs.h"

namespace zul::ui {

void ShowMessage(SystemServices& services, const std::string& text) {
  services.MessageBox(text, kMessageCaption, MB_OK, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
}

}  // namespace zul::ui
