#pragma once
// The Windows message, notification and constant names the window code uses.
// On Windows they come from the system headers; elsewhere (the headless
// backend) the same names carry the same values.

#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#include <dbt.h>
// SystemServices::MessageBox is our own name; the system's macro would rename it.
#undef MessageBox
#else
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUERYDRAGICON 0x0037
#define WM_ICONERASEBKGND 0x0027
#define WM_SETICON 0x0080
#define WM_KEYDOWN 0x0100
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_CTLCOLORSTATIC 0x0138
#define WM_LBUTTONDOWN 0x0201
#define MK_LBUTTON 0x0001
#define WM_DEVICECHANGE 0x0219
#define WM_DPICHANGED 0x02E0
#define BN_CLICKED 0
#define CBN_SELCHANGE 1
#define CB_ERR (-1)
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B
#define IDOK 1
#define IDCANCEL 2
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ICONERROR 0x00000010L
#define MB_ICONEXCLAMATION 0x00000030L
#define ICON_SMALL 0
#define ICON_BIG 1
#define SM_CXICON 11
#define SM_CYICON 12
#define SW_HIDE 0
#define SW_SHOW 5
#define DBT_DEVICEARRIVAL 0x8000
#define DBT_DEVICEQUERYREMOVE 0x8001
#define DBT_DEVICEREMOVECOMPLETE 0x8004
#define DBT_DEVTYP_DEVICEINTERFACE 0x00000005
#define DEVICE_NOTIFY_WINDOW_HANDLE 0x00000000
#define LANG_ENGLISH 0x09
#define SUBLANG_ENGLISH_US 0x01
#define MAKELANGID(p, s) ((((std::uint16_t)(s)) << 10) | (std::uint16_t)(p))
#define RGB(r, g, b) ((std::uint32_t)(((std::uint8_t)(r) | ((std::uint16_t)((std::uint8_t)(g)) << 8)) | (((std::uint32_t)(std::uint8_t)(b)) << 16)))
#define FW_BOLD 700
#define ANSI_CHARSET 0
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define FF_SWISS (2 << 4)
#define DEFAULT_PITCH 0
// Window, control and dialog styles of the two templates.
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_VSCROLL 0x00200000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_EX_RIGHT 0x00001000L
#define WS_EX_APPWINDOW 0x00040000L
#define DS_FIXEDSYS 0x0008L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define SS_LEFT 0x00000000L
#define SS_NOTIFY 0x00000100L
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_GROUPBOX 0x00000007L
#define ES_LEFT 0x0000L
#define ES_PASSWORD 0x0020L
#define ES_AUTOHSCROLL 0x0080L
#define CBS_DROPDOWN 0x0002L
#endif
