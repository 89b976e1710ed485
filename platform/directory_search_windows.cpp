// SPDX-License-Identifier: MIT
// FindFirstFileW is asked for every name ("*") and the ending compared here: its own matching
// would also try the 8.3 short names, so that "*.txt" finds "a.txtx" through "A~1.TXT".

#include "platform/windows_api.h"

#include <algorithm>
#include <memory>

#include "common/text.h"
#include "platform/directory_search.h"
#include "platform/wide_text_windows.h"

namespace kestrin::platform {
namespace {

struct FindCloser {
    void operator()(HANDLE search) const { FindClose(search); }
};

bool endsWithIgnoringCase(std::string_view name, std::string_view ending) {
    return name.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), name.end() - ending.size(),
                      [](char a, char b) { return upperAscii(a) == upperAscii(b); });
}

class WindowsSearch final : public DirectorySearch {
public:
    SystemResult<std::vector<std::string>> filesEndingIn(std::string_view ending) override {
        WIN32_FIND_DATAW found{};
        HANDLE first = FindFirstFileW(L"*", &found);
        if (first == INVALID_HANDLE_VALUE) {
            // Only a drive's root folder lacks "." and "..": that one is empty.
            if (GetLastError() == ERROR_FILE_NOT_FOUND) {
                return std::vector<std::string>{};
            }
            return lastWindowsError();
        }
        const std::unique_ptr<void, FindCloser> search(first);
        std::vector<std::string> names;
        constexpr DWORD kLeftOut =
            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        do {
            auto name = toUtf8(found.cFileName);
            if ((found.dwFileAttributes & kLeftOut) == 0 && name &&
                endsWithIgnoringCase(*name, ending)) {
                names.push_back(std::move(*name));
            }
        } while (FindNextFileW(search.get(), &found));
        if (GetLastError() != ERROR_NO_MORE_FILES) {
            return lastWindowsError();
        }
        std::sort(names.begin(), names.end(), ntfsOrder);
        return names;
    }
};

}  // namespace

std::unique_ptr<DirectorySearch> makeDirectorySearch() {
    return std::make_unique<WindowsSearch>();
}

}  // namespace kestrin::platform
