#pragma once
// The window system of the tests: dialogs become HeadlessDialogHosts, and a
// modal "loop" is a handler the test supplies, acting on the open dialog the
// way an operator would. Fonts are kept in a table the tests can read.

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "tests/support/headless/HeadlessDialogHost.h"

namespace zul::ui {

class HeadlessWindowSystem final : public WindowSystem {
 public:
  using ModalHandler = std::function<void(HeadlessDialogHost&)>;

  struct ModalRun {
    int templateId = 0;
    int result = 0;
    bool closedByWindowSystem = false;  // the handler left the dialog open
  };

  // Called by every DoModal after OnInitDialog, with the open dialog. A
  // dialog the handler leaves open is closed through its close box.
  void OnModal(ModalHandler handler) { onModal_ = std::move(handler); }

  // Creates the window, attaches it, runs OnInitDialog and the modal handler;
  // returns the EndDialog result, or -1 when there is no template or the
  // dialog would not close.
  int DoModal(Dialog& dialog) override;

  // Opens dialog without a modal loop (the main window of a test). The
  // returned host must be destroyed before the dialog.
  std::unique_ptr<HeadlessDialogHost> Open(Dialog& dialog);

  FontHandle CreateFontFromSpec(const FontSpec& font) override;
  void DeleteFont(FontHandle font) override;
  // The description a live font was created from, or nullptr.
  const FontSpec* Font(FontHandle font) const;
  std::size_t liveFonts() const { return fonts_.size(); }
  int badFontDeletes() const { return badFontDeletes_; }  // unknown or already deleted

  // The innermost open dialog of templateId, or nullptr.
  HeadlessDialogHost* OpenDialog(int templateId) const;
  bool IsOpen(const Dialog& dialog) const;
  const std::vector<ModalRun>& modalRuns() const { return modalRuns_; }

  // Called by HeadlessDialogHost.
  void Register(HeadlessDialogHost* host) { open_.push_back(host); }
  void Unregister(HeadlessDialogHost* host);

 private:
  ModalHandler onModal_;
  std::vector<HeadlessDialogHost*> open_;
  std::vector<ModalRun> modalRuns_;
  std::map<FontHandle, FontSpec> fonts_;
  std::uintptr_t nextFont_ = 0xF000;
  int badFontDeletes_ = 0;
};

}  // namespace zul::ui
