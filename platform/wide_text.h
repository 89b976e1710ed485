// SPDX-License-Identifier: MIT
#pragma once
// UTF-8 (the rest of Kestrin) to UTF-16 (the wide Win32 calls) and back, and the system's words
// for an error. Windows only.

#include <optional>
#include <string>
#include <string_view>

namespace kestrin::platform {

// std::nullopt when text is not valid UTF-8.
std::optional<std::wstring> toWide(std::string_view text);

// std::nullopt when text is not valid UTF-16, such as a file name with a lone surrogate.
std::optional<std::string> toUtf8(std::wstring_view text);

// The system's own words for an error code (GetLastError), without the line break it ends in.
std::string systemMessage(unsigned long code);

}  // namespace kestrin::platform
