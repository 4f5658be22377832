// The Win32 backend on real windows under the system (Wine in the build):
// dialogs made from the program's own templates, driven by messages the test
// posts from inside the dialogs' modal loops.

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "ui/framework/Dialog.h"
#include "ui/framework/DialogHost.h"
#include "ui/framework/win32/SystemHeaders.h"
// After windows.h.
#include <objbase.h>

#include "res/resource.h"
#include "ui/framework/win32/Win32DialogHost.h"
#include "ui/framework/win32/Win32SystemServices.h"
#include "ui/framework/win32/Win32WindowSystem.h"

namespace zul::ui {
namespace {

constexpr std::uintptr_t kWatchdogTimer = 999;

// A dialog whose handlers the test supplies. A watchdog ends it with -2 if a
// test forgets to, so that a fault fails the test instead of hanging it.
class DemoDialog : public Dialog {
 public:
  using Dialog::Dialog;

  std::function<bool()> onInit;
  std::function<void(std::uintptr_t)> onTimer;
  std::function<void()> onLogin;
  std::function<bool(const Message&)> filter;
  std::function<std::intptr_t(DeviceContext&, int)> onCtlColor;
  std::function<void(Point)> onLButtonDown;
  unsigned deviceEvent = 0;
  int paints = 0;
  IconHandle icon = nullptr;

  HWND hwnd() const { return static_cast<Win32DialogHost&>(host()).hwnd(); }

  bool OnInitDialog() override {
    host().StartTimer(kWatchdogTimer, 5000);
    return onInit ? onInit() : true;
  }
  bool PreTranslateMessage(const Message& msg) override {
    if (filter && filter(msg)) return true;
    return Dialog::PreTranslateMessage(msg);
  }
  void OnTimer(std::uintptr_t id) {
    if (id == kWatchdogTimer) {
      ADD_FAILURE() << "dialog " << templateId() << " was never ended";
      EndDialog(-2);
    } else if (onTimer) {
      onTimer(id);
    }
  }
  void OnLogin() {
    if (onLogin) onLogin();
  }
  bool OnDeviceChange(unsigned event, std::uintptr_t) {
    deviceEvent = event;
    return true;
  }
  void OnPaint() {
    ++paints;
    host().DefaultPaint();
  }
  IconHandle OnQueryDragIcon() { return icon; }
  std::intptr_t OnCtlColor(DeviceContext& dc, int id) {
    return onCtlColor ? onCtlColor(dc, id) : 0;
  }
  void OnLButtonDown(unsigned, Point p) {
    if (onLButtonDown) onLButtonDown(p);
  }

 protected:
  std::span<const MessageEntry> MessageTable() const override;
};

BEGIN_MESSAGE_MAP(DemoDialog)
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_TIMER()
ON_WM_DEVICECHANGE()
ON_WM_CTLCOLOR()
ON_WM_LBUTTONDOWN()
ON_BN_CLICKED(IDC_BUTTON_LOGIN, OnLogin)
END_MESSAGE_MAP()

class Win32BackendTest : public ::testing::Test {
 protected:
  Win32WindowSystem windows{GetModuleHandleA(nullptr)};
};

RECT DialogUnits(HWND dialog, int x, int y, int cx, int cy) {
  RECT r{x, y, x + cx, y + cy};
  MapDialogRect(dialog, &r);
  return r;
}

TEST_F(Win32BackendTest, HostOperationsActOnTheTemplatesControls) {
  DemoDialog d(windows, IDD_ZUL_PC_TOOL_DIALOG);
  bool clicked = false;
  d.onInit = [&] {
    DialogHost& h = d.host();
    HWND w = d.hwnd();

    h.SetTitle("   MARLOWEN RZC V1.6");
    char title[64] = {};
    GetWindowTextA(w, title, sizeof title);
    EXPECT_STREQ(title, "   MARLOWEN RZC V1.6");

    char text[32];
    EXPECT_EQ(h.GetControlText(IDC_STATIC_STATUS, text, sizeof text), 21u);
    EXPECT_STREQ(text, "Device not connected.");
    h.SetControlText(IDC_EDIT_OFFICER, "abcdef");
    EXPECT_EQ(h.GetControlText(IDC_EDIT_OFFICER, text, 4), 3u);  // cut to fit, terminated
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(h.GetControlText(IDC_EDIT_OFFICER, text, 0), 0u);

    h.EnableControl(IDC_BUTTON_LOGIN, false);
    EXPECT_FALSE(h.IsControlEnabled(IDC_BUTTON_LOGIN));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, IDC_BUTTON_LOGIN)));
    h.EnableControl(IDC_BUTTON_LOGIN, true);
    EXPECT_TRUE(h.IsControlEnabled(IDC_BUTTON_LOGIN));

    h.LimitText(IDC_EDIT_PASSWORD, 10);
    EXPECT_EQ(SendDlgItemMessageA(w, IDC_EDIT_PASSWORD, EM_GETLIMITTEXT, 0, 0), 10);

    h.ComboResetContent(IDC_COMBO_RESOLUTION);
    h.ComboAddString(IDC_COMBO_RESOLUTION, "1080P 30FPS");
    h.ComboAddString(IDC_COMBO_RESOLUTION, "720P 30FPS");
    h.ComboSetCurSel(IDC_COMBO_RESOLUTION, 1);
    EXPECT_EQ(h.ComboGetCurSel(IDC_COMBO_RESOLUTION), 1);
    EXPECT_EQ(h.GetControlText(IDC_COMBO_RESOLUTION, text, sizeof text), 10u);
    EXPECT_STREQ(text, "720P 30FPS");
    h.ComboSetCurSel(IDC_COMBO_RESOLUTION, 7);  // out of range: nothing selected, text empty
    EXPECT_EQ(h.ComboGetCurSel(IDC_COMBO_RESOLUTION), CB_ERR);
    EXPECT_EQ(h.GetControlText(IDC_COMBO_RESOLUTION, text, sizeof text), 0u);
    h.ComboResetContent(IDC_COMBO_RESOLUTION);
    EXPECT_EQ(SendDlgItemMessageA(w, IDC_COMBO_RESOLUTION, CB_GETCOUNT, 0, 0), 0);

    const RECT want = DialogUnits(w, 23, 48, 89, 14);
    EXPECT_EQ(h.ControlRect(IDC_EDIT_PASSWORD),
              (Rect{want.left, want.top, want.right, want.bottom}));
    const RECT client = DialogUnits(w, 0, 0, 478, 349);
    EXPECT_EQ(h.ClientRect(), (Rect{0, 0, client.right, client.bottom}));
    EXPECT_EQ(h.SystemMetric(SM_CXICON), GetSystemMetrics(SM_CXICON));

    SetFocus(GetDlgItem(w, IDC_EDIT_PASSWORD));
    EXPECT_EQ(h.FocusedControl(), IDC_EDIT_PASSWORD);
    SetFocus(nullptr);
    EXPECT_EQ(h.FocusedControl(), 0);

    d.icon = h.LoadIconResource(IDI_CAMERA);
    EXPECT_NE(d.icon, nullptr);
    h.SetIcon(d.icon, true);
    h.SetIcon(d.icon, false);
    EXPECT_EQ(SendMessageA(w, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(d.icon));
    EXPECT_EQ(SendMessageA(w, WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(d.icon));
    EXPECT_EQ(SendMessageA(w, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(d.icon));

    // Device notices answer what the handler returns, through DWLP_MSGRESULT.
    EXPECT_EQ(SendMessageA(w, WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, 0), TRUE);
    EXPECT_EQ(d.deviceEvent, static_cast<unsigned>(DBT_DEVICEQUERYREMOVE));

    Win32SystemServices services;
    EXPECT_TRUE(services.RegisterDeviceNotices(h));

    h.PostCommand(IDC_BUTTON_LOGIN);  // runs from the loop, after initialisation
    EXPECT_FALSE(clicked);
    return true;
  };
  d.onLogin = [&] {
    clicked = true;
    EXPECT_TRUE(IsWindowVisible(d.hwnd()));  // the template's WS_VISIBLE
    UpdateWindow(d.hwnd());
    EXPECT_GT(d.paints, 0);
    EXPECT_FALSE(GetUpdateRect(d.hwnd(), nullptr, FALSE));  // the paint validated it
    d.EndDialog(42);
  };
  EXPECT_EQ(d.DoModal(), 42);
  EXPECT_TRUE(clicked);
}

TEST_F(Win32BackendTest, NestedDialogKeepsTheOuterWindowsTimerRunning) {
  DemoDialog outer(windows, IDD_ZUL_PC_TOOL_DIALOG);
  DemoDialog inner(windows, IDD_WARMING_MSG);
  int outerTicks = 0;
  int ticksWhileInnerOpen = -1;
  HWND outerWindow = nullptr;
  // Keys for the outer window's controls still pass through the outer filter.
  int outerKeys = 0, innerKeys = 0;
  const auto countKey = [](int& n) {
    return [&n](const Message& m) {
      if (m.message == WM_KEYDOWN && m.wParam == 'Q') ++n;
      return false;
    };
  };
  outer.filter = countKey(outerKeys);
  inner.filter = countKey(innerKeys);
  outer.onInit = [&] {
    outerWindow = outer.hwnd();
    outer.host().StartTimer(100, 20);
    outer.host().PostCommand(IDC_BUTTON_LOGIN);
    return true;
  };
  outer.onTimer = [&](std::uintptr_t) { ++outerTicks; };
  outer.onLogin = [&] {
    const int before = outerTicks;
    EXPECT_EQ(inner.DoModal(), 7);
    ticksWhileInnerOpen = outerTicks - before;
    EXPECT_TRUE(IsWindow(outerWindow));
    outer.EndDialog(1);
  };
  inner.onInit = [&] {
    EXPECT_FALSE(IsWindowVisible(inner.hwnd()));  // shown after initialisation
    PostMessageA(GetDlgItem(outerWindow, IDC_EDIT_OFFICER), WM_KEYDOWN, 'Q', 0);
    inner.host().StartTimer(1, 10);
    return true;
  };
  inner.onTimer = [&](std::uintptr_t) {
    EXPECT_TRUE(IsWindowVisible(inner.hwnd()));
    if (outerTicks >= 4) inner.EndDialog(7);
  };
  EXPECT_EQ(outer.DoModal(), 1);
  EXPECT_GE(ticksWhileInnerOpen, 3);
  EXPECT_EQ(outerKeys, 1);
  EXPECT_EQ(innerKeys, 0);
  EXPECT_FALSE(IsWindow(outerWindow));
}

// How the notice ends: OK, Enter, Escape and the close box all end it.
struct EndCase {
  const char* name;
  UINT message;
  WPARAM wParam;
  int result;
};

class EndingTest : public Win32BackendTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(EndingTest, EndsTheDialog) {
  const EndCase& c = GetParam();
  DemoDialog d(windows, IDD_WARMING_MSG);
  d.onInit = [&] {
    // Keyboard messages go to the focus window, as the system sends them.
    HWND target = c.message == WM_KEYDOWN ? GetDlgItem(d.hwnd(), IDOK) : d.hwnd();
    SetFocus(GetDlgItem(d.hwnd(), IDOK));
    PostMessageA(target, c.message, c.wParam, 0);
    return false;
  };
  EXPECT_EQ(d.DoModal(), c.result);
}

INSTANTIATE_TEST_SUITE_P(Notice, EndingTest,
                         ::testing::Values(EndCase{"OkCommand", WM_COMMAND, IDOK, IDOK},
                                           EndCase{"CancelCommand", WM_COMMAND, IDCANCEL, IDCANCEL},
                                           EndCase{"CloseBox", WM_CLOSE, 0, IDCANCEL},
                                           EndCase{"Enter", WM_KEYDOWN, VK_RETURN, IDOK},
                                           EndCase{"Escape", WM_KEYDOWN, VK_ESCAPE, IDCANCEL}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Win32BackendTest, FilterSeesKeysFirstAndCanSwallowThem) {
  DemoDialog d(windows, IDD_WARMING_MSG);
  int escapes = 0;
  d.filter = [&](const Message& m) {
    if (m.message != WM_KEYDOWN || m.wParam != VK_ESCAPE) return false;
    ++escapes;
    return true;
  };
  d.onInit = [&] {
    HWND ok = GetDlgItem(d.hwnd(), IDOK);
    SetFocus(ok);
    PostMessageA(ok, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(ok, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(ok, WM_KEYDOWN, VK_RETURN, 0);  // the default filtering still runs
    return false;
  };
  EXPECT_EQ(d.DoModal(), IDOK);
  EXPECT_EQ(escapes, 2);
}

TEST_F(Win32BackendTest, StaticColoursComeFromTheHandlerOverTheDefault) {
  DemoDialog d(windows, IDD_WARMING_MSG);
  d.onCtlColor = [](DeviceContext& dc, int id) {
    const std::intptr_t brush = dc.DefaultColors();
    if (id == IDC_STATIC_TERMS_LINK) dc.SetTextColor(RGB(0, 0, 255));
    return brush;
  };
  d.onInit = [&] {
    HWND w = d.hwnd();
    HDC hdc = GetDC(w);
    const auto colour = [&](int id) {
      SetTextColor(hdc, RGB(1, 2, 3));
      HWND control = GetDlgItem(w, id);
      const LRESULT brush = SendMessageA(w, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                                         reinterpret_cast<LPARAM>(control));
      const COLORREF text = GetTextColor(hdc);
      EXPECT_EQ(brush, DefWindowProcA(w, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                                      reinterpret_cast<LPARAM>(control)));
      EXPECT_NE(brush, 0);
      return text;
    };
    EXPECT_EQ(colour(IDC_STATIC_TERMS_LINK), RGB(0, 0, 255));
    EXPECT_EQ(colour(IDC_STATIC_ADDRESS_LINE1), GetSysColor(COLOR_WINDOWTEXT));
    ReleaseDC(w, hdc);
    d.EndDialog(0);
    return true;
  };
  EXPECT_EQ(d.DoModal(), 0);
}

TEST_F(Win32BackendTest, LeftClicksReachTheDialogInClientCoordinates) {
  DemoDialog d(windows, IDD_WARMING_MSG);
  Point seen{-1, -1};
  d.onLButtonDown = [&](Point p) {
    seen = p;
    d.EndDialog(0);
  };
  d.onInit = [&] {
    PostMessageA(d.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 90));
    return true;
  };
  EXPECT_EQ(d.DoModal(), 0);
  EXPECT_EQ(seen.x, 150);
  EXPECT_EQ(seen.y, 90);
}

TEST_F(Win32BackendTest, HandlerExceptionEndsTheDialogAndReachesTheCaller) {
  DemoDialog failing(windows, IDD_WARMING_MSG);
  failing.onInit = [&] {
    failing.host().PostCommand(IDC_BUTTON_LOGIN);
    return true;
  };
  failing.onLogin = [] { throw std::runtime_error("handler failed"); };
  // The notice has no 1004, but a posted command reaches the table all the same.
  EXPECT_THROW(failing.DoModal(), std::runtime_error);

  DemoDialog next(windows, IDD_WARMING_MSG);
  next.onInit = [&] {
    next.EndDialog(5);
    return true;
  };
  EXPECT_EQ(next.DoModal(), 5);
}

TEST_F(Win32BackendTest, MissingTemplateGivesMinusOne) {
  DemoDialog d(windows, 4242);
  EXPECT_EQ(d.DoModal(), -1);
}

TEST_F(Win32BackendTest, FontsOutliveTheirDialog) {
  FontSpec linkFont;
  linkFont.height = 14;
  linkFont.weight = FW_BOLD;
  linkFont.underline = true;
  linkFont.pitchAndFamily = FF_SWISS | DEFAULT_PITCH;
  linkFont.face = "Arial";
  FontHandle font = windows.CreateFontFromSpec(linkFont);
  ASSERT_NE(font, nullptr);
  LOGFONTA lf{};
  ASSERT_GT(GetObjectA(static_cast<HGDIOBJ>(font), sizeof lf, &lf), 0);
  EXPECT_EQ(lf.lfHeight, 14);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfUnderline);
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  windows.DeleteFont(font);
  EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(font)), 0u);
}

// Answers the first message box captioned caption: records its text and
// whether it has a Cancel button, then presses the given button.
class BoxAnswerer {
 public:
  BoxAnswerer(std::string caption, int button)
      : thread_([this, caption = std::move(caption), button] {
          for (int i = 0; i < 500; ++i) {
            if (HWND box = FindWindowA("#32770", caption.c_str())) {
              char buffer[256] = {};
              GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);  // the box's message text
              text = buffer;
              hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
              PostMessageA(box, WM_COMMAND, button, 0);
              return;
            }
            Sleep(10);
          }
        }) {}
  ~BoxAnswerer() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  std::string text;
  bool hasCancel = false;

 private:
  std::thread thread_;
};

TEST(Win32SystemServicesTest, FrameworkMessageBoxIsCaptionedWithTheProgramsName) {
  EXPECT_EQ(ApplicationName(), "win32_ui_tests");
  Win32SystemServices services;
  BoxAnswerer answer(ApplicationName(), IDCANCEL);
  EXPECT_EQ(services.FrameworkMessageBox("USB enum failed!", MB_OKCANCEL), IDCANCEL);
  answer.Join();
  EXPECT_EQ(answer.text, "USB enum failed!");
  EXPECT_TRUE(answer.hasCancel);
}

TEST(Win32SystemServicesTest, MessageBoxHasNoOwnerAndTheGivenCaption) {
  Win32SystemServices services;
  BoxAnswerer answer("Marlowen V1.6", IDOK);
  EXPECT_EQ(services.MessageBox("Change video resolution to 720P.", "Marlowen V1.6", MB_OK,
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
            IDOK);
  answer.Join();
  EXPECT_EQ(answer.text, "Change video resolution to 720P.");
  EXPECT_FALSE(answer.hasCancel);
}

// The shell (explorer, the terms page) wants COM in a single-threaded
// apartment on the thread that calls it: the services set it up for as long
// as they live.
TEST(Win32SystemServicesTest, ComIsSingleThreadedWhileTheServicesLive) {
  HRESULT before = S_OK, during = E_FAIL, after = S_OK;
  APTTYPE type = APTTYPE_MTA;
  std::thread([&] {  // a thread where nothing has set COM up yet
    APTTYPE t;
    APTTYPEQUALIFIER q;
    before = CoGetApartmentType(&t, &q);
    {
      Win32SystemServices services;
      during = CoGetApartmentType(&type, &q);
    }
    after = CoGetApartmentType(&t, &q);
  })
      .join();
  EXPECT_EQ(before, CO_E_NOTINITIALIZED);
  EXPECT_EQ(during, S_OK);
  EXPECT_TRUE(type == APTTYPE_STA || type == APTTYPE_MAINSTA) << type;  // the first is the main one
  EXPECT_EQ(after, CO_E_NOTINITIALIZED);                                // and undone with them
}

TEST(Win32SystemServicesTest, CalendarConversionFailsCleanlyOutsideItsRange) {
  Win32SystemServices services;
  const std::int64_t now = services.CalendarSeconds();
  EXPECT_GT(now, 1500000000);  // after 2017
  const auto local = services.ToLocalCalendar(now);
  ASSERT_TRUE(local);
  const LocalTime clock = services.GetLocalTime();
  EXPECT_EQ(local->year, clock.year);
  EXPECT_GE(local->month, 1);
  EXPECT_LE(local->month, 12);
  EXPECT_FALSE(services.ToLocalCalendar(-1));
  EXPECT_FALSE(services.ToLocalCalendar(INT64_MAX));
}

}  // namespace
}  // namespace zul::ui
