#pragma once
// The system's window headers, for the Win32 backend and the Windows-only
// entry points and tests. The portable code uses the project's own names in
// WinDefs.h instead.

// dbt.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

// SystemServices::MessageBox is our own name; the system's macro would rename it.
#undef MessageBox
