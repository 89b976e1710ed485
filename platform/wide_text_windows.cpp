// SPDX-License-Identifier: MIT
#include "platform/wide_text_windows.h"

#include "platform/windows_api.h"

#include <algorithm>
#include <climits>
#include <cwctype>
#include <memory>

namespace kestrin::platform {

std::optional<std::wstring> toWide(std::string_view text) {
    if (text.empty()) {
        return std::wstring();
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const int size = static_cast<int>(text.size());
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(),
                            length) != length) {
        return std::nullopt;
    }
    return wide;
}

std::optional<std::string> toUtf8(std::wstring_view text) {
    if (text.empty()) {
        return std::string();
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size,
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return std::nullopt;
    }
    std::string utf8(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, utf8.data(), length,
                            nullptr, nullptr) != length) {
        return std::nullopt;
    }
    return utf8;
}

namespace {

// The message with each insert ("%1", "%2!d!"), which no argument fills here, as an ellipsis.
std::wstring withoutInserts(std::wstring_view text) {
    std::wstring shown;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != L'%' || at + 1 == text.size() || iswdigit(text[at + 1]) == 0) {
            shown += text[at];
            continue;
        }
        while (at + 1 < text.size() && iswdigit(text[at + 1]) != 0) {
            ++at;
        }
        if (at + 1 < text.size() && text[at + 1] == L'!') {
            at = std::min(text.find(L'!', at + 2), text.size() - 1);
        }
        shown += L'\u2026';
    }
    return shown;
}

// The system's own words, where std::system_category() would give them in the ANSI code page.
class WindowsCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "windows"; }

    std::string message(int code) const override {
        wchar_t* buffer = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
        const std::unique_ptr<wchar_t, decltype(&LocalFree)> owned(buffer, LocalFree);
        std::wstring_view text(buffer, buffer == nullptr ? 0 : length);
        // Without the line break and the full stop it ends in.
        while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' ||
                                 text.back() == L' ' || text.back() == L'.')) {
            text.remove_suffix(1);
        }
        const auto words = toUtf8(withoutInserts(text));
        return words && !words->empty() ? *words : "Windows error " + std::to_string(code);
    }
};

}  // namespace

std::error_code windowsError(unsigned long code) {
    static const WindowsCategory category;
    return {static_cast<int>(code), category};
}

std::error_code lastWindowsError() {
    return windowsError(GetLastError());
}

}  // namespace kestrin::platform
