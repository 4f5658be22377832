#pragma once
// A real left click, as the mouse makes it, at a client point of a window:
// the system, not the test, decides which window gets it.

#if defined(_WIN32)

#include <windows.h>

namespace zul::test {

inline void ClickAt(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  SetCursorPos(p.x, p.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

}  // namespace zul::test

#endif
