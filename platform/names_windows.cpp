// SPDX-License-Identifier: MIT
// A character survives the code page when WideCharToMultiByte, without best fit, needs no
// default character for it and the bytes it gives come back as the same character.

#include "platform/windows_api.h"

#include <algorithm>

#include "common/text.h"
#include "platform/names.h"
#include "platform/wide_text_windows.h"

namespace kestrin::platform {
namespace {

bool survivesCodePage(const std::wstring& units) {
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int size = static_cast<int>(units.size());
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, units.data(), size, bytes,
                                           sizeof bytes, nullptr, &usedDefault);
    wchar_t back[4];
    return length > 0 && !usedDefault &&
           MultiByteToWideChar(CP_ACP, 0, bytes, length, back, 4) == size &&
           std::wstring_view(back, units.size()) == units;
}

}  // namespace

unsigned activeCodePage() {
    return GetACP();
}

std::vector<char32_t> changedByCodePage(std::string_view text) {
    std::vector<char32_t> found;
    // A UTF-8 code page holds every character (and takes neither flag above).
    if (GetACP() == CP_UTF8) {
        return found;
    }
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Character character = decodeUtf8(text, at);
        const auto units = toWide(text.substr(at, character.length));
        at += character.length;
        if (character.valid && units && !survivesCodePage(*units) &&
            std::find(found.begin(), found.end(), character.codePoint) == found.end()) {
            found.push_back(character.codePoint);
        }
    }
    return found;
}

std::string fileKey(const std::string& name) {
    const auto wide = toWide(name);
    std::wstring path(32768, L'\0');  // the longest path GetFullPathNameW gives
    const auto size = static_cast<DWORD>(path.size());
    const DWORD length = wide ? GetFullPathNameW(wide->c_str(), size, path.data(), nullptr) : 0;
    if (length == 0 || length >= size) {
        return name;
    }
    path.resize(length);
    const auto final = finalPath(path);
    const std::string key = upperCaseKey(final ? *final : path);
    return key.empty() ? name : key;
}

}  // namespace kestrin::platform
