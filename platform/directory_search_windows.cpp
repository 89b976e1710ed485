// SPDX-License-Identifier: MIT
// Directory search on Windows. FindFirstFileW is asked for every name ("*") and the pattern is
// matched here: its own matching would also try the 8.3 short names, so that "*.txt" finds
// "a.txtx" through "A~1.TXT". The endings match without regard to case, as the file system does.

#include "platform/windows_api.h"

#include <string_view>
#include <vector>

#include "platform/file_names.h"
#include "platform/matching_names.h"
#include "platform/wide_text.h"

namespace kestrin::platform {
namespace {

class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : m_handle(handle) {}
    ~FindHandle() {
        if (m_handle != INVALID_HANDLE_VALUE) {
            FindClose(m_handle);
        }
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.empty() ? L"." : path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isOrdinaryFile(const WIN32_FIND_DATAW& found) {
    constexpr DWORD kLeftOut =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return (found.dwFileAttributes & kLeftOut) == 0;
}

// The folder, a separator unless it ends in one, and "*" for every name: the pattern is matched
// here. An empty folder leaves "*" alone, which searches the working folder.
std::wstring everyNameIn(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') {
        folder += L'\\';
    }
    return folder + L'*';
}

}  // namespace

Result<std::vector<std::string>> readMatchingNames(const std::string& folder,
                                                   std::string_view pattern) {
    const auto wideFolder = toWide(folder);
    if (!wideFolder) {
        return Failure{"the folder's name is not valid UTF-8"};
    }
    WIN32_FIND_DATAW found{};
    const FindHandle search(FindFirstFileW(everyNameIn(*wideFolder).c_str(), &found));
    if (search.get() == INVALID_HANDLE_VALUE) {
        // Only a folder without a single entry, not even "." (a drive's root), is empty.
        if (GetLastError() == ERROR_FILE_NOT_FOUND && isFolder(*wideFolder)) {
            return std::vector<std::string>{};
        }
        return Failure{"the folder cannot be opened"};
    }
    std::vector<std::string> names;
    do {
        if (!isOrdinaryFile(found)) {
            continue;
        }
        // A name that is not valid UTF-16 could not survive the round trip through the window's
        // text fields.
        auto name = toUtf8(found.cFileName);
        if (name && wildcardMatch(pattern, *name, true)) {
            names.push_back(std::move(*name));
        }
    } while (FindNextFileW(search.get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        return Failure{"the folder cannot be read"};
    }
    return names;
}

}  // namespace kestrin::platform
