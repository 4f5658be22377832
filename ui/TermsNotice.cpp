#include "ui/TermsNotice.h"

#include "res/resource.h"

namespace zul::ui {
namespace {

constexpr int kLinkIds[3] = {IDC_STATIC_TERMS_LINK, IDC_STATIC_ADDRESS_LINE1,
                             IDC_STATIC_ADDRESS_LINE2};

bool IsLink(int controlId) {
  for (int id : kLinkIds) {
    if (id == controlId) return true;
  }
  return false;
}

// Edges belong to no link.
bool StrictlyInside(const Rect& r, Point p) {
  return r.left < p.x && p.x < r.right && r.top < p.y && p.y < r.bottom;
}

}  // namespace

warmingMsg::warmingMsg(WindowSystem& windows, SystemServices& services)
    : Dialog(windows, IDD_WARMING_MSG), services_(services) {}

warmingMsg::~warmingMsg() {
  if (LinkFont) windows().DeleteFont(LinkFont);
}

// clang-format off
BEGIN_MESSAGE_MAP(warmingMsg)
  ON_WM_LBUTTONDOWN()
  ON_WM_CTLCOLOR()
  ON_WM_DPICHANGED()
END_MESSAGE_MAP()
// clang-format on

bool warmingMsg::OnInitDialog() {
  Dialog::OnInitDialog();
  PlaceLinks(host().WindowDpi());
  return true;  // the focus goes to OK
}

void warmingMsg::OnDpiChanged(int dpi) {
  PlaceLinks(dpi);
}

void warmingMsg::PlaceLinks(int dpi) {
  // The whole control, not just its painted text, answers to a click.
  for (int i = 0; i < 3; ++i) LinkRect[i] = host().ControlRect(kLinkIds[i]);

  FontSpec linkFont;
  linkFont.height = (14 * dpi + 48) / 96;
  linkFont.weight = win::kFwBold;
  linkFont.underline = true;
  linkFont.charSet = win::kAnsiCharset;
  linkFont.outPrecision = win::kOutDefaultPrecis;
  linkFont.clipPrecision = win::kClipDefaultPrecis;
  linkFont.quality = win::kDefaultQuality;
  linkFont.pitchAndFamily = win::kFfSwiss | win::kDefaultPitch;
  linkFont.face = "Arial";
  const FontHandle previous = LinkFont;
  LinkFont = windows().CreateFontFromSpec(linkFont);
  for (int id : kLinkIds) host().SetControlFont(id, LinkFont, true);
  if (previous) windows().DeleteFont(previous);  // no control holds it any more
}

std::intptr_t warmingMsg::OnCtlColor(DeviceContext& dc, int controlId) {
  const std::intptr_t brush = dc.DefaultColors();
  if (IsLink(controlId)) dc.SetTextColor(win::Rgb(0, 0, 255));
  return brush;
}

void warmingMsg::OnLButtonDown(unsigned, Point point) {
  for (const Rect& r : LinkRect) {
    if (StrictlyInside(r, point)) {
      services_.ShellOpen(TermsPageAddress, "");
      return;  // once per click, however many links were hit
    }
  }
}

}  // namespace zul::ui
