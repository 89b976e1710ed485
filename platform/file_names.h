#pragma once
// Name rules that every system's directory search shares, so that both list alike.

#include <string_view>

namespace kestrin::platform {

// Matches a wildcard pattern where "*" stands for any run of characters and "?" for one
// character (a UTF-8 code point). ignoreCase folds ASCII letters only.
bool wildcardMatch(std::string_view pattern, std::string_view name, bool ignoreCase);

// The order NTFS returns names in: ASCII letters compared as upper case, ties by byte order.
bool caseInsensitiveLess(std::string_view a, std::string_view b);

bool isValidUtf8(std::string_view text);

}  // namespace kestrin::platform
