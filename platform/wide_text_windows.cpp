// SPDX-License-Identifier: MIT
#include "platform/wide_text_windows.h"

#include "platform/windows_api.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <regex>

#include "platform/unique_handle.h"

namespace kestrin::platform {
namespace {

// Converts text with convert(from, size, to, length), which answers the length needed when to is
// nullptr and fails (0) on an invalid sequence.
template <typename To, typename From, typename Convert>
std::optional<To> converted(From text, Convert convert) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
        return text.empty() ? std::optional<To>(To()) : std::nullopt;
    }
    const int size = static_cast<int>(text.size());
    const int length = convert(text.data(), size, nullptr, 0);
    To result(static_cast<std::size_t>(std::max(length, 0)), 0);
    if (length <= 0 || convert(text.data(), size, result.data(), length) != length) {
        return std::nullopt;
    }
    return result;
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
        std::wstring text(buffer, buffer == nullptr ? 0 : length);
        // Without the line break and the full stop it ends in, and with each insert ("%1",
        // "%2!d!"), which no argument fills here, as an ellipsis.
        text.resize(text.find_last_not_of(L"\r\n .") + 1);
        static const std::wregex kInsert(L"%[0-9]+(![^!]*!?)?");
        const auto words = toUtf8(std::regex_replace(text, kInsert, L"\u2026"));
        return words && !words->empty() ? *words : "Windows error " + std::to_string(code);
    }
};

}  // namespace

std::optional<std::wstring> toWide(std::string_view text) {
    return converted<std::wstring>(text, [](const char* from, int size, wchar_t* to, int length) {
        return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, from, size, to, length);
    });
}

std::optional<std::string> toUtf8(std::wstring_view text) {
    return converted<std::string>(text, [](const wchar_t* from, int size, char* to, int length) {
        return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, from, size, to, length, nullptr,
                                   nullptr);
    });
}

std::error_code windowsError(unsigned long code) {
    static const WindowsCategory category;
    return {static_cast<int>(code), category};
}

std::error_code lastWindowsError() {
    return windowsError(GetLastError());
}

Result<std::wstring, unsigned long> finalPath(const std::wstring& path) {
    const UniqueHandle handle(
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    std::wstring found(32768, L'\0');  // the longest path the system gives
    const auto size = static_cast<DWORD>(found.size());
    const DWORD length =
        handle.valid() ? GetFinalPathNameByHandleW(handle.get(), found.data(), size, 0) : 0;
    if (length == 0 || length >= found.size()) {
        return GetLastError();
    }
    found.resize(length);
    return found;
}

std::string upperCaseKey(std::wstring_view path) {
    std::wstring upper(path.size(), L'\0');
    const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, path.data(),
                                     static_cast<int>(path.size()), upper.data(),
                                     static_cast<int>(upper.size()), nullptr, nullptr, 0);
    upper.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return toUtf8(upper).value_or("");
}

}  // namespace kestrin::platform
