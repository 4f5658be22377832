#pragma once
// A dialog window kept in memory for tests: the controls of its template with
// their state, and the operator's actions (clicks, typing, keys, mouse clicks)
// turned into the messages a real dialog window would send. Every message goes
// through Dialog::Dispatch first; what the table leaves unhandled gets the
// default dialog behaviour (IDOK -> OnOK, IDCANCEL -> OnCancel, close box ->
// IDCANCEL, default paint and colours).
//
// Geometry: dialog units become pixels with a fixed base unit of 6 x 13
// (the usual one of an 8-point shell font at 96 DPI), the way MapDialogRect
// does it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ui/framework/DialogHost.h"
#include "ui/framework/Templates.h"

namespace zul::ui {

class HeadlessWindowSystem;

struct HeadlessControl {
  int id = 0;
  std::string className;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  Rect rect;  // client coordinates
  bool enabled = true;
  std::string text;
  std::size_t limit = 0;  // typed-length limit of an edit field
  std::vector<std::string> items;
  int curSel = win::kCbErr;
  FontHandle font = nullptr;  // nullptr: the template font
  int fontRedraws = 0;        // SetControlFont calls that asked for a redraw
  bool operator==(const HeadlessControl&) const = default;
};

// What one WM_CTLCOLORSTATIC query of a static control produced.
struct StaticColors {
  int id = 0;
  bool defaultsRun = false;  // the framework's default colour handling ran
  std::uint32_t textColor = 0;
  std::intptr_t brush = 0;  // what the dialog returned (0: the default brush)
};

struct MinimisedPaint {
  IconHandle icon = nullptr;
  int x = 0, y = 0;
};

class HeadlessDialogHost final : public DialogHost {
 public:
  static constexpr int kBaseUnitX = 6;
  static constexpr int kBaseUnitY = 13;
  static constexpr std::size_t kDefaultEditLimit = 32767;
  static constexpr std::uint32_t kDefaultTextColor = 0x000000;  // window text
  static constexpr std::intptr_t kDefaultBrush = 0x0F0F;        // dialog face
  static constexpr int kIconSize = 32;

  // Builds the controls from the template and attaches itself to dialog. The
  // dialog must outlive the host.
  HeadlessDialogHost(HeadlessWindowSystem& windows, Dialog& dialog, const DialogTemplate& tmpl);
  ~HeadlessDialogHost() override;
  HeadlessDialogHost(const HeadlessDialogHost&) = delete;
  HeadlessDialogHost& operator=(const HeadlessDialogHost&) = delete;

  // Runs OnInitDialog; when it returns true, the focus goes to the first
  // enabled tab stop, as the system does.
  void Initialise();

  // The icon handle LoadIconResource gives for a resource of the program.
  static IconHandle IconOf(int resourceId);

  // --- DialogHost ---
  void EnableControl(int id, bool enable) override;
  bool IsControlEnabled(int id) const override;
  void SetControlText(int id, const std::string& text) override;
  std::size_t GetControlText(int id, char* buffer, std::size_t bufferSize) const override;
  void LimitText(int id, int maxChars) override;
  void ComboResetContent(int id) override;
  void ComboAddString(int id, const std::string& item) override;
  void ComboSetCurSel(int id, int index) override;
  int ComboGetCurSel(int id) const override;
  int FocusedControl() const override { return focus_; }
  Rect ControlRect(int id) const override;
  void SetControlFont(int id, FontHandle font, bool redraw) override;
  void SetTitle(const std::string& title) override { title_ = title; }
  IconHandle LoadIconResource(int resourceId) override;
  void SetIcon(IconHandle icon, bool big) override;
  bool IsMinimised() const override { return minimised_; }
  Rect ClientRect() const override { return client_; }
  int WindowDpi() const override { return dpi_; }
  int SystemMetric(int index) const override;
  void PaintMinimisedIcon(IconHandle icon, int x, int y) override;
  void DefaultPaint() override { ++defaultPaints_; }
  void PostCommand(int id) override;
  void StartTimer(std::uintptr_t id, unsigned periodMs) override { timers_[id] = periodMs; }
  bool DefaultPreTranslate(const Message& msg) override;
  void EndDialog(int result) override;

  // --- What the operator and the system do (no effect once the dialog ended) ---
  // Delivers msg to the dialog: its message table, else the default behaviour.
  std::intptr_t Send(const Message& msg);
  void SendCommand(int id, unsigned code);
  // A mouse click on a push button: focus and BN_CLICKED. False when the
  // control is disabled or no push button.
  bool Click(int id);
  // Puts the focus on an enabled control, as a click into it does.
  bool SetFocus(int id);
  // Focuses the field and types text character by character; characters
  // beyond the field's limit are refused, as is everything in a disabled
  // field. Returns the number of characters taken.
  std::size_t Type(int id, std::string_view text);
  // A key-down through the dialog's PreTranslateMessage; true when consumed.
  bool PressKey(unsigned virtualKey);
  // The operator picks a list item: CBN_SELCHANGE, then the edit text follows.
  bool SelectComboItem(int id, int index);
  // A left click at a client point: a push button or field under it takes it;
  // otherwise (static texts and group boxes are transparent) the dialog gets
  // WM_LBUTTONDOWN.
  void ClickAt(Point point);
  void Close();  // the close box
  // Runs the posted commands in order, also those posted meanwhile, until the
  // queue is empty or the dialog ended; returns how many ran.
  std::size_t RunPosted();
  // WM_TIMER for a started timer; false when no such timer runs.
  bool FireTimer(std::uintptr_t id);
  bool DeviceChange(unsigned eventType, std::uintptr_t eventData = 0);
  void Paint();
  IconHandle QueryDragIcon();
  // WM_CTLCOLORSTATIC for every static control, in template order.
  std::vector<StaticColors> QueryStaticColors();
  void SetMinimised(bool minimised) { minimised_ = minimised; }
  // What the system does when the window reaches a monitor of another DPI,
  // before it tells the dialog (WM_DPICHANGED): the new DPI, the controls
  // laid out anew.
  void SetDpi(int dpi) { dpi_ = dpi; }
  void MoveControl(int id, Rect rect) { Find(id).rect = rect; }

  // --- What a test looks at ---
  int templateId() const { return template_.id; }
  Dialog& dialog() const { return dialog_; }
  const HeadlessControl& Control(int id) const;
  const std::vector<HeadlessControl>& Controls() const { return controls_; }
  std::string Text(int id) const { return Control(id).text; }
  const std::string& title() const { return title_; }
  bool ended() const { return ended_; }
  int result() const { return result_; }
  // WM_SETICON calls in order: (icon, big).
  const std::vector<std::pair<IconHandle, bool>>& iconCalls() const { return iconCalls_; }
  const std::map<std::uintptr_t, unsigned>& timers() const { return timers_; }
  std::size_t pendingPosts() const { return posted_.size(); }
  int defaultPaints() const { return defaultPaints_; }
  const std::vector<MinimisedPaint>& minimisedPaints() const { return minimisedPaints_; }
  // Mouse messages that reached the default processing after the dialog.
  int defaultMouseClicks() const { return defaultMouseClicks_; }

 private:
  HeadlessControl& Find(int id);
  const HeadlessControl& Find(int id) const;
  std::intptr_t DefaultProcessing(const Message& msg);
  void PressButton(const HeadlessControl& button);
  void MoveFocus();
  int FirstTabStop(std::size_t from) const;

  HeadlessWindowSystem& windows_;
  Dialog& dialog_;
  const DialogTemplate& template_;
  std::vector<HeadlessControl> controls_;
  Rect client_;
  std::string title_;
  int focus_ = 0;
  bool ended_ = false;
  int result_ = 0;
  bool minimised_ = false;
  int dpi_ = 96;
  std::vector<std::pair<IconHandle, bool>> iconCalls_;
  std::map<std::uintptr_t, unsigned> timers_;
  std::deque<Message> posted_;
  int defaultPaints_ = 0;
  std::vector<MinimisedPaint> minimisedPaints_;
  int defaultMouseClicks_ = 0;
};

}  // namespace zul::ui
