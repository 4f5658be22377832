#include "ui/framework/Dialog.h"

#include "ui/framework/DialogHost.h"

namespace zul::ui {

int Dialog::DoModal() { return windows_.DoModal(*this); }

void Dialog::EndDialog(int result) {
  if (host_) host_->EndDialog(result);
}

bool Dialog::PreTranslateMessage(const Message& msg) {
  return host_ ? host_->DefaultPreTranslate(msg) : false;
}

bool Dialog::Dispatch(const Message& msg, std::intptr_t& result) {
  for (const MessageEntry& e : MessageTable()) {
    if (e.message != msg.message) continue;
    if (msg.message == win::kWmCommand) {
      const auto id = static_cast<int>(msg.wParam & 0xFFFF);
      const auto code = static_cast<unsigned>((msg.wParam >> 16) & 0xFFFF);
      if (id != e.id || code != e.code) continue;
    }
    result = e.handler(*this, msg);
    return true;
  }
  return false;
}

}  // namespace zul::ui
