// The terms notice on real windows: the link rectangles are those of the
// controls the system made, and a real mouse click on a link text (not a
// message posted to the dialog) reaches the dialog through the static control
// and opens the page.

#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/support/headless/FakeSystemServices.h"
#include "tests/support/win32/MouseClick.h"
#include "ui/TermsNotice.h"
#include "ui/framework/win32/SystemHeaders.h"
#include "ui/framework/win32/Win32DialogHost.h"
#include "ui/framework/win32/Win32WindowSystem.h"

namespace zul::ui {
namespace {

using test::ClickAt;

Point Centre(const Rect& r) {
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The test's steps run from a thread timer, one a tick, inside the notice's
// own modal loop.
struct Script {
  warmingMsg* notice;
  FakeSystemServices* services;
  int step = 0;
};

Script* current = nullptr;

void CALLBACK Step(HWND, UINT, UINT_PTR, DWORD) {
  Script& s = *current;
  HWND w = static_cast<Win32DialogHost&>(s.notice->host()).hwnd();
  switch (s.step++) {
    case 0: {  // the rectangles are the controls' own
      const int ids[3] = {IDC_STATIC_TERMS_LINK, IDC_STATIC_ADDRESS_LINE1,
                          IDC_STATIC_ADDRESS_LINE2};
      for (int i = 0; i < 3; ++i) {
        const int id = ids[i];
        RECT r;
        GetWindowRect(GetDlgItem(w, id), &r);
        MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(s.notice->LinkRect[i], (Rect{r.left, r.top, r.right, r.bottom})) << id;
        EXPECT_EQ(SendDlgItemMessageA(w, id, WM_GETFONT, 0, 0),
                  reinterpret_cast<LRESULT>(s.notice->LinkFont));
      }
      const Point p = Centre(s.notice->LinkRect[0]);
      ClickAt(w, p.x, p.y);
      break;
    }
    case 1: {
      EXPECT_EQ(s.services->CallsOf(ServiceCall::Kind::ShellOpen).size(), 1u);
      // Right of the painted text, still inside the second address line.
      const Rect& line = s.notice->LinkRect[2];
      ClickAt(w, line.right - 2, (line.top + line.bottom) / 2);
      break;
    }
    case 2: {
      EXPECT_EQ(s.services->CallsOf(ServiceCall::Kind::ShellOpen).size(), 2u);
      // "MARLOWEN'S " is no link.
      RECT label{64, 77, 64 + 39, 77 + 8};
      MapDialogRect(w, &label);
      ClickAt(w, (label.left + label.right) / 2, (label.top + label.bottom) / 2);
      break;
    }
    case 3:
      EXPECT_EQ(s.services->CallsOf(ServiceCall::Kind::ShellOpen).size(), 2u);
      PostMessageA(w, WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
}

TEST(TermsNoticeWin32Test, RealClicksOnLinkTextsOpenThePage) {
  Win32WindowSystem windows(GetModuleHandleA(nullptr));
  FakeSystemServices services;
  warmingMsg notice(windows, services);

  Script script{&notice, &services};
  current = &script;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, &Step);
  ASSERT_NE(timer, 0u);
  notice.DoModal();
  KillTimer(nullptr, timer);
  current = nullptr;

  const auto opens = services.CallsOf(ServiceCall::Kind::ShellOpen);
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].text, TermsPageAddress);
  EXPECT_EQ(opens[0].parameters, "");
  EXPECT_GE(script.step, 4);  // every step ran
}

}  // namespace
}  // namespace zul::ui
