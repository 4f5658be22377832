#include "tests/support/headless/HeadlessWindowSystem.h"

#include <algorithm>

namespace zul::ui {

int HeadlessWindowSystem::DoModal(Dialog& dialog) {
  const DialogTemplate* tmpl = FindDialogTemplate(dialog.templateId());
  if (!tmpl) return -1;
  HeadlessDialogHost host(*this, dialog, *tmpl);
  host.Initialise();
  ModalRun run{dialog.templateId(), 0, false};
  if (!host.ended() && onModal_) onModal_(host);
  if (!host.ended()) {
    run.closedByWindowSystem = true;
    host.Close();
  }
  run.result = host.ended() ? host.result() : -1;
  modalRuns_.push_back(run);
  return run.result;
}

std::unique_ptr<HeadlessDialogHost> HeadlessWindowSystem::Open(Dialog& dialog) {
  const DialogTemplate* tmpl = FindDialogTemplate(dialog.templateId());
  if (!tmpl) return nullptr;
  auto host = std::make_unique<HeadlessDialogHost>(*this, dialog, *tmpl);
  host->Initialise();
  return host;
}

FontHandle HeadlessWindowSystem::CreateFontFromSpec(const FontSpec& font) {
  auto handle = reinterpret_cast<FontHandle>(nextFont_++);
  fonts_.emplace(handle, font);
  return handle;
}

void HeadlessWindowSystem::DeleteFont(FontHandle font) {
  if (fonts_.erase(font) == 0) ++badFontDeletes_;
}

const FontSpec* HeadlessWindowSystem::Font(FontHandle font) const {
  const auto it = fonts_.find(font);
  return it == fonts_.end() ? nullptr : &it->second;
}

HeadlessDialogHost* HeadlessWindowSystem::OpenDialog(int templateId) const {
  for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
    if ((*it)->templateId() == templateId) return *it;
  }
  return nullptr;
}

bool HeadlessWindowSystem::IsOpen(const Dialog& dialog) const {
  return std::any_of(open_.begin(), open_.end(),
                     [&](const HeadlessDialogHost* h) { return &h->dialog() == &dialog; });
}

void HeadlessWindowSystem::Unregister(HeadlessDialogHost* host) {
  open_.erase(std::remove(open_.begin(), open_.end(), host), open_.end());
}

}  // namespace zul::ui
