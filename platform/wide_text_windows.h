// SPDX-License-Identifier: MIT
#pragma once
// UTF-8 (the rest of Kestrin) to UTF-16 (the wide Win32 calls) and back, and Win32 errors as
// error codes whose message() is the system's own words in UTF-8. Windows only.

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace kestrin::platform {

// std::nullopt when text is not valid UTF-8.
std::optional<std::wstring> toWide(std::string_view text);

// std::nullopt when text is not valid UTF-16, such as a file name with a lone surrogate.
std::optional<std::string> toUtf8(std::wstring_view text);

// GetLastError() as an error code; its message() comes from FormatMessageW.
std::error_code lastWindowsError();
std::error_code windowsError(unsigned long code);

}  // namespace kestrin::platform
