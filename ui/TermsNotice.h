#pragma once
// The notice shown after a password is accepted: it confirms the login and
// links to the maker's terms page (three blue, bold, underlined texts that
// open the page when clicked).

#include <cstdint>
#include <span>

#include "res/TermsHost.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/DialogHost.h"
#include "ui/framework/SystemServices.h"

namespace zul::ui {

inline constexpr char TermsPageAddress[] =
    "https://" TERMS_PAGE_HOST "/LAW-ENFORCEMENT/KORA-DUTY/TERMS-AND-CONDITIONS/";

class warmingMsg : public Dialog {
 public:
  warmingMsg(WindowSystem& windows, SystemServices& services);
  ~warmingMsg() override;

  bool OnInitDialog() override;
  std::intptr_t OnCtlColor(DeviceContext& dc, int controlId);
  void OnLButtonDown(unsigned flags, Point point);
  // The window reached a monitor of another DPI, and the system laid it out
  // anew: the links are where their controls are now, in a font of the new size.
  void OnDpiChanged(int dpi);

  // Client rectangles of the link texts 1041, 1044 and 1045, in this order,
  // and their font: 14 pixels high at 96 DPI, in proportion at others.
  Rect LinkRect[3] = {};
  FontHandle LinkFont = nullptr;

 protected:
  std::span<const MessageEntry> MessageTable() const override;

 private:
  void PlaceLinks(int dpi);

  SystemServices& services_;
};

}  // namespace zul::ui
