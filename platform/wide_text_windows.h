// SPDX-License-Identifier: MIT
#pragma once
// UTF-8 (the rest of Kestrin) to UTF-16 (the wide Win32 calls) and back, Win32 errors with the
// system's own words in UTF-8, and paths as the system tells files apart. Windows only.

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "common/result.h"

namespace kestrin::platform {

// std::nullopt when text is not valid UTF-8.
std::optional<std::wstring> toWide(std::string_view text);

// std::nullopt when text is not valid UTF-16, such as a file name with a lone surrogate.
std::optional<std::string> toUtf8(std::wstring_view text);

// GetLastError() as an error code; its message() comes from FormatMessageW.
std::error_code lastWindowsError();
std::error_code windowsError(unsigned long code);

// The path of the file or folder at path, every link followed, or the Win32 error.
Result<std::wstring, unsigned long> finalPath(const std::wstring& path);

// A path in upper case, as NTFS compares names, in UTF-8; "" when it is not valid UTF-16.
std::string upperCaseKey(std::wstring_view path);

}  // namespace kestrin::platform
