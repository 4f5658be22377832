#pragma once
// The two dialog templates as data: the headless backend builds its controls
// from them, and a test under Wine checks them control by control against the
// compiled resource script, so the two cannot drift apart.

#include <cstdint>
#include <span>
#include <string>

namespace zul::ui {

struct ControlTemplate {
  int id;                 // -1 for statics and group boxes the code never addresses
  const char* className;  // "STATIC", "BUTTON", "EDIT", "COMBOBOX"
  const char* caption;
  int x, y, cx, cy;       // dialog units
  std::uint32_t style;    // full window style, WS_CHILD | WS_VISIBLE included
  std::uint32_t exStyle;
};

struct DialogTemplate {
  int id;
  const char* caption;
  int x, y, cx, cy;
  std::uint32_t style;
  std::uint32_t exStyle;
  const char* fontFace;
  int pointSize;
  int weight;
  std::span<const ControlTemplate> controls;
};

// Template 102 (main window) or 140 (terms notice); nullptr for any other id.
const DialogTemplate* FindDialogTemplate(int templateId);

}  // namespace zul::ui
