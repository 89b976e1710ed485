// SPDX-License-Identifier: MIT
#pragma once
// <windows.h> without the min/max macros and the rarely used parts. Windows only.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
