// The terms notice: link rectangles and clicks, colours, font, and the ways
// it ends.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "res/resource.h"
#include "tests/support/headless/FakeSystemServices.h"
#include "tests/support/headless/HeadlessWindowSystem.h"
#include "ui/TermsNotice.h"

namespace zul::test {
namespace {

using ui::HeadlessDialogHost;
using ui::Point;
using ui::Rect;
using ui::ServiceCall;

class TermsNoticeTest : public ::testing::Test {
 protected:
  // Runs the notice modally with act as the operator; returns its result.
  int Show(const std::function<void(HeadlessDialogHost&)>& act) {
    windows.OnModal(act);
    return notice.DoModal();
  }

  std::size_t PagesOpened() const { return services.CallsOf(ServiceCall::Kind::ShellOpen).size(); }

  ui::HeadlessWindowSystem windows;
  ui::FakeSystemServices services;
  ui::warmingMsg notice{windows, services};
};

constexpr int kLinks[3] = {IDC_STATIC_TERMS_LINK, IDC_STATIC_ADDRESS_LINE1,
                           IDC_STATIC_ADDRESS_LINE2};

TEST(TermsPage, AddressLinesShowTheAddressTheNoticeOpens) {
  const ui::DialogTemplate* t = ui::FindDialogTemplate(IDD_WARMING_MSG);
  ASSERT_NE(t, nullptr);
  std::string line1, line2;
  for (const auto& c : t->controls) {
    if (c.id == IDC_STATIC_ADDRESS_LINE1) line1 = c.caption;
    if (c.id == IDC_STATIC_ADDRESS_LINE2) line2 = c.caption;
  }
  ASSERT_EQ(line2.back(), ' ');
  EXPECT_EQ(line1 + line2.substr(0, line2.size() - 1), ui::TermsPageAddress);
  const std::string address = ui::TermsPageAddress;
  const std::string host = address.substr(8, address.find('/', 8) - 8);
  EXPECT_EQ(address.substr(0, 8), "https://");
  EXPECT_EQ(host.substr(host.size() - 8), ".example");  // a reserved name, never a real site
}

TEST_F(TermsNoticeTest, LinkRectanglesAreTheWholeControlsAndTheFontIsBoldUnderlinedArial) {
  Show([&](HeadlessDialogHost& w) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(notice.LinkRect[i], w.ControlRect(kLinks[i])) << kLinks[i];
      EXPECT_EQ(w.Control(kLinks[i]).font, notice.LinkFont);
      EXPECT_EQ(w.Control(kLinks[i]).fontRedraws, 1);
    }
    for (const auto& c : w.Controls()) {
      if (c.id != kLinks[0] && c.id != kLinks[1] && c.id != kLinks[2]) {
        EXPECT_EQ(c.font, nullptr) << c.text;  // the template font
      }
    }
    EXPECT_EQ(w.FocusedControl(), win::kIdOk);
    w.Click(win::kIdOk);
  });
  const ui::FontSpec* font = windows.Font(notice.LinkFont);
  ASSERT_NE(font, nullptr);  // lives as long as the dialog object
  EXPECT_EQ(font->height, 14);
  EXPECT_EQ(font->width, 0);
  EXPECT_EQ(font->weight, 700);
  EXPECT_FALSE(font->italic);
  EXPECT_TRUE(font->underline);
  EXPECT_FALSE(font->strikeOut);
  EXPECT_EQ(font->charSet, 0);
  EXPECT_EQ(font->pitchAndFamily, 0x20);
  EXPECT_EQ(font->face, "Arial");
}

// The link font is 14 pixels high at 96 DPI and grows with the monitor's DPI.
TEST(TermsNoticeDpi, TheLinkFontIsSizedForTheWindowsDpi) {
  for (const auto& [dpi, height] : {std::pair{96, 14}, {144, 21}, {192, 28}}) {
    ui::HeadlessWindowSystem windows;
    ui::FakeSystemServices services;
    ui::warmingMsg notice{windows, services};
    const ui::DialogTemplate* t = ui::FindDialogTemplate(IDD_WARMING_MSG);
    ASSERT_NE(t, nullptr);
    ui::HeadlessDialogHost host(windows, notice, *t);
    host.SetDpi(dpi);
    host.Initialise();
    ASSERT_NE(windows.Font(notice.LinkFont), nullptr);
    EXPECT_EQ(windows.Font(notice.LinkFont)->height, height) << dpi;
  }
}

// Moved to a monitor of another DPI, the notice follows the controls to
// where the system put them, with a font of the new size in place of the old.
TEST_F(TermsNoticeTest, AfterADpiChangeTheLinksAreWhereTheirControlsAreNow) {
  Show([&](HeadlessDialogHost& w) {
    const ui::FontHandle first = notice.LinkFont;
    Rect old[3];
    w.SetDpi(192);
    for (int i = 0; i < 3; ++i) {
      old[i] = w.ControlRect(kLinks[i]);
      w.MoveControl(kLinks[i],
                    {2 * old[i].left, 2 * old[i].top, 2 * old[i].right, 2 * old[i].bottom});
    }
    w.Send({win::kWmDpiChanged, (192u << 16) | 192u, 0});

    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(notice.LinkRect[i], w.ControlRect(kLinks[i])) << kLinks[i];
      EXPECT_EQ(w.Control(kLinks[i]).font, notice.LinkFont);
    }
    ASSERT_NE(windows.Font(notice.LinkFont), nullptr);
    EXPECT_EQ(windows.Font(notice.LinkFont)->height, 28);
    EXPECT_EQ(windows.Font(first), nullptr);  // the old font is given back
    EXPECT_EQ(windows.liveFonts(), 1u);

    // Inside the first link's new place and outside every old one.
    const Rect now = w.ControlRect(kLinks[0]);
    const Point p{now.right - 2, (now.top + now.bottom) / 2};
    for (const Rect& r : old) {
      ASSERT_FALSE(r.left < p.x && p.x < r.right && r.top < p.y && p.y < r.bottom);
    }
    w.ClickAt(p);
    EXPECT_EQ(PagesOpened(), 1u);
    w.Click(win::kIdOk);
  });
  EXPECT_EQ(windows.badFontDeletes(), 0);
}

TEST(TermsNoticeLifetime, TheFontGoesWithTheDialogObject) {
  ui::HeadlessWindowSystem windows;
  ui::FakeSystemServices services;
  {
    ui::warmingMsg notice{windows, services};
    notice.DoModal();
    EXPECT_EQ(windows.liveFonts(), 1u);
  }
  EXPECT_EQ(windows.liveFonts(), 0u);
  EXPECT_EQ(windows.badFontDeletes(), 0);
}

TEST_F(TermsNoticeTest, AClickStrictlyInsideALinkOpensThePageOnce) {
  Show([&](HeadlessDialogHost& w) {
    for (int i = 0; i < 3; ++i) {
      const Rect r = w.ControlRect(kLinks[i]);
      const int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
      SCOPED_TRACE(kLinks[i]);
      const Point inside[] = {{r.left + 1, r.top + 1}, {r.right - 1, r.bottom - 1}, {midX, midY}};
      const Point onEdge[] = {{r.left, midY}, {r.right, midY}, {midX, r.top}, {midX, r.bottom}};
      for (Point p : onEdge) {
        const auto before = PagesOpened();
        w.ClickAt(p);
        EXPECT_EQ(PagesOpened(), before) << p.x << "," << p.y;
      }
      for (Point p : inside) {
        const auto before = PagesOpened();
        w.ClickAt(p);
        EXPECT_EQ(PagesOpened(), before + 1) << p.x << "," << p.y;
      }
    }
    EXPECT_FALSE(w.ended());  // clicks never close it
    w.PressKey(win::kVkEscape);
  });
  for (const ServiceCall& c : services.CallsOf(ServiceCall::Kind::ShellOpen)) {
    EXPECT_EQ(c.text, ui::TermsPageAddress);
    EXPECT_EQ(c.parameters, "");
  }
}

TEST_F(TermsNoticeTest, ClicksOffTheLinksOpenNothingAndEveryClickGetsDefaultHandling) {
  Show([&](HeadlessDialogHost& w) {
    Rect marlowens{}, pleaseVisit{};
    for (const auto& c : w.Controls()) {
      if (c.text == "MARLOWEN'S ") marlowens = c.rect;
      if (c.text == "PLEASE VISIT") pleaseVisit = c.rect;
    }
    w.ClickAt({(marlowens.left + marlowens.right) / 2, (marlowens.top + marlowens.bottom) / 2});
    w.ClickAt({(pleaseVisit.left + pleaseVisit.right) / 2, pleaseVisit.top + 2});
    w.ClickAt({3, 3});
    EXPECT_EQ(PagesOpened(), 0u);
    const Rect link = w.ControlRect(IDC_STATIC_TERMS_LINK);
    w.ClickAt({link.right - 2, link.top + 2});  // right of the painted text
    w.ClickAt({link.right - 2, link.top + 2});
    EXPECT_EQ(PagesOpened(), 2u);
    EXPECT_EQ(w.defaultMouseClicks(), 5);
    w.Click(win::kIdOk);
  });
}

TEST_F(TermsNoticeTest, OnlyTheThreeLinksAreBlue) {
  Show([&](HeadlessDialogHost& w) {
    const auto colors = w.QueryStaticColors();
    EXPECT_EQ(colors.size(), 7u);
    for (const ui::StaticColors& c : colors) {
      const bool link = c.id == kLinks[0] || c.id == kLinks[1] || c.id == kLinks[2];
      EXPECT_TRUE(c.defaultsRun) << c.id;
      EXPECT_EQ(c.brush, HeadlessDialogHost::kDefaultBrush) << c.id;
      EXPECT_EQ(c.textColor, link ? win::Rgb(0, 0, 255) : HeadlessDialogHost::kDefaultTextColor)
          << c.id;
    }
  });
}

TEST_F(TermsNoticeTest, EveryWayOfClosingEndsIt) {
  struct Case {
    const char* name;
    std::function<void(HeadlessDialogHost&)> act;
    int result;
  };
  const Case cases[] = {
      {"OK button", [](HeadlessDialogHost& w) { w.Click(win::kIdOk); }, win::kIdOk},
      {"Enter", [](HeadlessDialogHost& w) { w.PressKey(win::kVkReturn); }, win::kIdOk},
      {"Escape", [](HeadlessDialogHost& w) { w.PressKey(win::kVkEscape); }, win::kIdCancel},
      {"close box", [](HeadlessDialogHost& w) { w.Close(); }, win::kIdCancel},
      {"click on OK",
       [](HeadlessDialogHost& w) {
         const Rect ok = w.ControlRect(win::kIdOk);
         w.ClickAt({ok.left + 2, ok.top + 2});
       },
       win::kIdOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui::warmingMsg each{windows, services};
    windows.OnModal(c.act);
    EXPECT_EQ(each.DoModal(), c.result);
    EXPECT_FALSE(windows.modalRuns().back().closedByWindowSystem);
  }
  EXPECT_EQ(PagesOpened(), 0u);
}

}  // namespace
}  // namespace zul::test
