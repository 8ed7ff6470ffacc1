// The one header through which the runtime reaches the operating system.
// On Windows it is the system's own API; elsewhere it is our declaration of
// the same subset, implemented in platform/posix/ with the Windows console's
// behaviour. Nothing above platform/ may test which system it is built for.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include "posix/win32_api.h"
#endif

// What GetConsoleMode reports for a new console's input: line input, echo,
// processed input, mouse input, insert, quick edit, extended flags and auto
// position.
constexpr DWORD DEFAULT_INPUT_MODE = 0x1F7;
