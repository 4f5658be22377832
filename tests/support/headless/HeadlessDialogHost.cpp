#include "tests/support/headless/HeadlessDialogHost.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "res/resource.h"
#include "tests/support/headless/HeadlessWindowSystem.h"

namespace zul::ui {
namespace {

int MulDiv(int a, int b, int c) {
  return (a * b + c / 2) / c;
}

std::uintptr_t CommandParam(int id, unsigned code) {
  return (static_cast<std::uintptr_t>(code & 0xFFFF) << 16) |
         (static_cast<std::uintptr_t>(id) & 0xFFFF);
}

bool IsClass(const HeadlessControl& c, const char* name) {
  return c.className == name;
}

bool IsGroupBox(const HeadlessControl& c) {
  return IsClass(c, "BUTTON") && (c.style & 0x0F) == win::kBsGroupBox;
}

bool IsPushButton(const HeadlessControl& c) {
  const auto kind = c.style & 0x0F;
  return IsClass(c, "BUTTON") && (kind == win::kBsPushButton || kind == win::kBsDefPushButton);
}

bool IsDefaultPushButton(const HeadlessControl& c) {
  return IsClass(c, "BUTTON") && (c.style & 0x0F) == win::kBsDefPushButton;
}

// Static texts without SS_NOTIFY and group boxes let mouse clicks through to
// the dialog.
bool IsTransparent(const HeadlessControl& c) {
  return (IsClass(c, "STATIC") && (c.style & win::kSsNotify) == 0) || IsGroupBox(c);
}

bool Contains(const Rect& r, Point p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// A colour context that remembers what the dialog did with it.
class RecordingDeviceContext final : public DeviceContext {
 public:
  explicit RecordingDeviceContext(StaticColors& out) : out_(out) {}
  std::intptr_t DefaultColors() override {
    out_.defaultsRun = true;
    out_.textColor = HeadlessDialogHost::kDefaultTextColor;
    return HeadlessDialogHost::kDefaultBrush;
  }
  void SetTextColor(std::uint32_t rgb) override { out_.textColor = rgb; }

 private:
  StaticColors& out_;
};

}  // namespace

HeadlessDialogHost::HeadlessDialogHost(HeadlessWindowSystem& windows, Dialog& dialog,
                                       const DialogTemplate& tmpl)
    : windows_(windows), dialog_(dialog), template_(tmpl), title_(tmpl.caption) {
  client_ = {0, 0, MulDiv(tmpl.cx, kBaseUnitX, 4), MulDiv(tmpl.cy, kBaseUnitY, 8)};
  for (const ControlTemplate& t : tmpl.controls) {
    HeadlessControl c;
    c.id = t.id;
    c.className = t.className;
    c.style = t.style;
    c.exStyle = t.exStyle;
    c.rect.left = MulDiv(t.x, kBaseUnitX, 4);
    c.rect.top = MulDiv(t.y, kBaseUnitY, 8);
    c.rect.right = c.rect.left + MulDiv(t.cx, kBaseUnitX, 4);
    c.rect.bottom = c.rect.top + MulDiv(t.cy, kBaseUnitY, 8);
    c.enabled = (t.style & win::kWsDisabled) == 0;
    c.text = t.caption;
    c.limit = kDefaultEditLimit;
    controls_.push_back(std::move(c));
  }
  windows_.Register(this);
  dialog_.Attach(this);
}

HeadlessDialogHost::~HeadlessDialogHost() {
  windows_.Unregister(this);
  // A dialog opened again before this window went keeps its newer window.
  if (!windows_.IsOpen(dialog_)) dialog_.Attach(nullptr);
}

void HeadlessDialogHost::Initialise() {
  if (dialog_.OnInitDialog()) focus_ = FirstTabStop(0);
}

IconHandle HeadlessDialogHost::IconOf(int resourceId) {
  return reinterpret_cast<IconHandle>(static_cast<std::uintptr_t>(0x10000 + resourceId));
}

HeadlessControl& HeadlessDialogHost::Find(int id) {
  return const_cast<HeadlessControl&>(std::as_const(*this).Find(id));
}

// A dialog addressing a control its template lacks (or the shared -1) is a
// fault of the code under test, so it is reported loudly here.
const HeadlessControl& HeadlessDialogHost::Find(int id) const {
  if (id != IDC_STATIC) {
    for (const HeadlessControl& c : controls_) {
      if (c.id == id) return c;
    }
  }
  throw std::invalid_argument("no control " + std::to_string(id) + " in template " +
                              std::to_string(template_.id));
}

const HeadlessControl& HeadlessDialogHost::Control(int id) const {
  return Find(id);
}

void HeadlessDialogHost::EnableControl(int id, bool enable) {
  HeadlessControl& c = Find(id);
  c.enabled = enable;
  if (!enable && focus_ == id) focus_ = 0;  // a disabled window loses the focus
}

bool HeadlessDialogHost::IsControlEnabled(int id) const {
  return Find(id).enabled;
}

void HeadlessDialogHost::SetControlText(int id, const std::string& text) {
  // The old text may be a password: overwrite it rather than leave it behind
  // in the string's spare room.
  std::string& old = Find(id).text;
  std::fill(old.begin(), old.end(), '\0');
  old = text;
}

std::size_t HeadlessDialogHost::GetControlText(int id, char* buffer, std::size_t bufferSize) const {
  const std::string& text = Find(id).text;
  if (bufferSize == 0) return 0;
  const std::size_t n = std::min(text.size(), bufferSize - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

void HeadlessDialogHost::LimitText(int id, int maxChars) {
  // EM_LIMITTEXT with 0 lifts the limit.
  Find(id).limit = maxChars <= 0 ? 0x7FFFFFFE : static_cast<std::size_t>(maxChars);
}

void HeadlessDialogHost::ComboResetContent(int id) {
  HeadlessControl& c = Find(id);
  c.items.clear();
  c.curSel = win::kCbErr;
  c.text.clear();
}

void HeadlessDialogHost::ComboAddString(int id, const std::string& item) {
  Find(id).items.push_back(item);
}

void HeadlessDialogHost::ComboSetCurSel(int id, int index) {
  // From code: no CBN_SELCHANGE. An index out of range selects nothing and
  // empties the edit text.
  HeadlessControl& c = Find(id);
  if (index >= 0 && static_cast<std::size_t>(index) < c.items.size()) {
    c.curSel = index;
    c.text = c.items[static_cast<std::size_t>(index)];
  } else {
    c.curSel = win::kCbErr;
    c.text.clear();
  }
}

int HeadlessDialogHost::ComboGetCurSel(int id) const {
  return Find(id).curSel;
}

Rect HeadlessDialogHost::ControlRect(int id) const {
  return Find(id).rect;
}

void HeadlessDialogHost::SetControlFont(int id, FontHandle font, bool redraw) {
  HeadlessControl& c = Find(id);
  c.font = font;
  if (redraw) ++c.fontRedraws;
}

IconHandle HeadlessDialogHost::LoadIconResource(int resourceId) {
  // The program's resources hold icons 101 and 128 only.
  if (resourceId != IDI_CAMERA && resourceId != IDR_MAINFRAME) return nullptr;
  return IconOf(resourceId);
}

void HeadlessDialogHost::SetIcon(IconHandle icon, bool big) {
  iconCalls_.emplace_back(icon, big);
}

int HeadlessDialogHost::SystemMetric(int index) const {
  return index == win::kSmCxIcon || index == win::kSmCyIcon ? kIconSize : 0;
}

void HeadlessDialogHost::PaintMinimisedIcon(IconHandle icon, int x, int y) {
  minimisedPaints_.push_back({icon, x, y});
}

void HeadlessDialogHost::PostCommand(int id) {
  posted_.push_back({win::kWmCommand, CommandParam(id, 0), 0});
}

bool HeadlessDialogHost::DefaultPreTranslate(const Message& msg) {
  if (msg.message != win::kWmKeyDown) return false;
  switch (msg.wParam) {
    case win::kVkReturn: {
      // A focused push button is pressed; otherwise the default push button
      // if there is one and it is enabled; otherwise IDOK.
      if (focus_ != 0 && IsPushButton(Find(focus_))) {
        SendCommand(focus_, win::kBnClicked);
        return true;
      }
      const auto def = std::find_if(controls_.begin(), controls_.end(), IsDefaultPushButton);
      if (def == controls_.end()) {
        SendCommand(win::kIdOk, win::kBnClicked);
      } else if (def->enabled) {
        SendCommand(def->id, win::kBnClicked);
      }
      return true;
    }
    case win::kVkEscape:
      SendCommand(win::kIdCancel, win::kBnClicked);
      return true;
    case win::kVkTab:
      MoveFocus();
      return true;
    default:
      return false;
  }
}

void HeadlessDialogHost::EndDialog(int result) {
  ended_ = true;
  result_ = result;
}

std::intptr_t HeadlessDialogHost::Send(const Message& msg) {
  if (ended_) return 0;
  std::intptr_t result = 0;
  if (dialog_.Dispatch(msg, result)) {
    // Mouse messages go on to the default processing after the handler.
    if (msg.message == win::kWmLButtonDown) ++defaultMouseClicks_;
    return result;
  }
  return DefaultProcessing(msg);
}

std::intptr_t HeadlessDialogHost::DefaultProcessing(const Message& msg) {
  switch (msg.message) {
    case win::kWmCommand: {
      const auto id = static_cast<int>(msg.wParam & 0xFFFF);
      const auto code = static_cast<unsigned>((msg.wParam >> 16) & 0xFFFF);
      if (code != win::kBnClicked) return 0;
      if (id == win::kIdOk) dialog_.OnOK();
      if (id == win::kIdCancel) dialog_.OnCancel();
      return 0;
    }
    case win::kWmClose:
      SendCommand(win::kIdCancel, win::kBnClicked);
      return 0;
    case win::kWmPaint:
      DefaultPaint();
      return 0;
    case win::kWmCtlColorStatic:
      return reinterpret_cast<DeviceContext*>(msg.wParam)->DefaultColors();
    case win::kWmDeviceChange:
      return 1;
    case win::kWmLButtonDown:
      ++defaultMouseClicks_;
      return 0;
    default:
      return 0;
  }
}

void HeadlessDialogHost::SendCommand(int id, unsigned code) {
  Send({win::kWmCommand, CommandParam(id, code), 0});
}

bool HeadlessDialogHost::Click(int id) {
  const HeadlessControl& c = Find(id);
  if (ended_ || !c.enabled || !IsPushButton(c)) return false;
  PressButton(c);
  return true;
}

void HeadlessDialogHost::PressButton(const HeadlessControl& button) {
  focus_ = button.id;
  SendCommand(button.id, win::kBnClicked);
}

bool HeadlessDialogHost::SetFocus(int id) {
  const HeadlessControl& c = Find(id);
  if (ended_ || !c.enabled) return false;
  focus_ = id;
  return true;
}

std::size_t HeadlessDialogHost::Type(int id, std::string_view text) {
  HeadlessControl& c = Find(id);
  if (!IsClass(c, "EDIT") && !IsClass(c, "COMBOBOX")) return 0;
  if (!SetFocus(id)) return 0;
  std::size_t taken = 0;
  for (char ch : text) {
    if (c.text.size() >= c.limit) break;
    c.text.push_back(ch);
    ++taken;
  }
  return taken;
}

bool HeadlessDialogHost::PressKey(unsigned virtualKey) {
  if (ended_) return false;
  return dialog_.PreTranslateMessage({win::kWmKeyDown, virtualKey, 0});
}

bool HeadlessDialogHost::SelectComboItem(int id, int index) {
  HeadlessControl& c = Find(id);
  if (!IsClass(c, "COMBOBOX") || index < 0 || static_cast<std::size_t>(index) >= c.items.size() ||
      !SetFocus(id)) {
    return false;
  }
  // The edit text changes only after the notice, as in a drop-down combo box.
  c.curSel = index;
  SendCommand(id, win::kCbnSelChange);
  c.text = c.items[static_cast<std::size_t>(index)];
  return true;
}

void HeadlessDialogHost::ClickAt(Point point) {
  if (ended_) return;
  for (const HeadlessControl& c : controls_) {
    if (!Contains(c.rect, point) || IsTransparent(c)) continue;
    // The first control in template order is the top one.
    if (IsPushButton(c) && c.enabled) {
      PressButton(c);
    } else if (c.enabled) {
      focus_ = c.id;
    }
    return;
  }
  const auto lp = (static_cast<std::uint32_t>(point.y & 0xFFFF) << 16) |
                  static_cast<std::uint32_t>(point.x & 0xFFFF);
  Send({win::kWmLButtonDown, win::kMkLButton, static_cast<std::intptr_t>(lp)});
}

void HeadlessDialogHost::Close() {
  Send({win::kWmClose, 0, 0});
}

std::size_t HeadlessDialogHost::RunPosted() {
  std::size_t ran = 0;
  while (!posted_.empty() && !ended_) {
    const Message msg = posted_.front();
    posted_.pop_front();
    Send(msg);
    ++ran;
  }
  return ran;
}

bool HeadlessDialogHost::FireTimer(std::uintptr_t id) {
  if (ended_ || timers_.find(id) == timers_.end()) return false;
  Send({win::kWmTimer, id, 0});
  return true;
}

bool HeadlessDialogHost::DeviceChange(unsigned eventType, std::uintptr_t eventData) {
  return Send({win::kWmDeviceChange, eventType, static_cast<std::intptr_t>(eventData)}) != 0;
}

void HeadlessDialogHost::Paint() {
  Send({win::kWmPaint, 0, 0});
}

IconHandle HeadlessDialogHost::QueryDragIcon() {
  return reinterpret_cast<IconHandle>(Send({win::kWmQueryDragIcon, 0, 0}));
}

std::vector<StaticColors> HeadlessDialogHost::QueryStaticColors() {
  std::vector<StaticColors> out;
  for (const HeadlessControl& c : controls_) {
    if (!IsClass(c, "STATIC")) continue;
    StaticColors colors;
    colors.id = c.id;
    RecordingDeviceContext dc(colors);
    colors.brush = Send({win::kWmCtlColorStatic, reinterpret_cast<std::uintptr_t>(&dc), c.id});
    out.push_back(colors);
  }
  return out;
}

int HeadlessDialogHost::FirstTabStop(std::size_t from) const {
  for (std::size_t n = 0; n < controls_.size(); ++n) {
    const HeadlessControl& c = controls_[(from + n) % controls_.size()];
    if ((c.style & win::kWsTabStop) && c.enabled) return c.id;
  }
  return 0;
}

void HeadlessDialogHost::MoveFocus() {
  std::size_t next = 0;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (focus_ != 0 && controls_[i].id == focus_) next = i + 1;
  }
  focus_ = FirstTabStop(next);
}

}  // namespace zul::ui
