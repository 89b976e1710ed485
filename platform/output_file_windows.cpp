// SPDX-License-Identifier: MIT
#include "platform/output_file_windows.h"

#include "platform/windows_api.h"

#include <cerrno>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/launch_messages.h"
#include "platform/wide_text.h"

namespace kestrin::platform {
namespace {

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// A drive, a leading separator or a ".." part: the user named the folder.
bool namesItsFolder(std::wstring_view file) {
    if ((!file.empty() && isSeparator(file[0])) || (file.size() >= 2 && file[1] == L':')) {
        return true;
    }
    std::size_t at = 0;
    while (at <= file.size()) {
        std::size_t end = at;
        while (end < file.size() && !isSeparator(file[end])) {
            ++end;
        }
        if (file.substr(at, end - at) == L"..") {
            return true;
        }
        at = end + 1;
    }
    return false;
}

// The path of the file or folder at path with every link on its way followed, as the system
// sees it; the error code when it cannot be opened.
struct Final {
    std::wstring path;
    DWORD error = 0;
};

Final finalPath(const std::wstring& path) {
    const HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return {.path = L"", .error = GetLastError()};
    }
    std::wstring found(32768, L'\0');
    const DWORD length =
        GetFinalPathNameByHandleW(handle, found.data(), static_cast<DWORD>(found.size()), 0);
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (length == 0 || length >= found.size()) {
        return {.path = L"", .error = error};
    }
    found.resize(length);
    return {.path = std::move(found), .error = 0};
}

// Whether path lies inside folder (both final paths), names compared as NTFS compares them.
bool isInside(const std::wstring& path, std::wstring folder) {
    if (folder.empty() || !isSeparator(folder.back())) {
        folder += L'\\';
    }
    return path.size() > folder.size() &&
           CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                                static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

// The places a check compares, all as final paths.
struct Place {
    std::wstring anchor;  // the folder the output belongs to
    std::string named;    // that folder as typed with its separator; empty for the working folder
    std::wstring target;  // the file, links followed; empty for a new file
};

std::string where(const Place& place) {
    return place.named.empty()
               ? std::string(kWorkingFolder)
               : "the folder \"" + place.named.substr(0, place.named.size() - 1) + "\"";
}

// The folder part of a path with its closing separator, or "." for a bare name.
std::wstring parentOf(const std::wstring& path) {
    std::size_t end = path.size();
    while (end > 0 && !isSeparator(path[end - 1])) {
        --end;
    }
    return end == 0 ? L"." : path.substr(0, end);
}

// The part of path (final) after folder (final), inside which it lies.
std::wstring below(const std::wstring& path, const std::wstring& folder) {
    return path.substr(folder.size() + (isSeparator(folder.back()) ? 0 : 1));
}

Result<Place> locate(const std::string& file, const std::wstring& wide) {
    const std::wstring parent = parentOf(wide);
    Place place;
    if (namesItsFolder(wide)) {
        place.named = toUtf8(parent).value_or(file);
    }
    const Final anchor = finalPath(place.named.empty() ? L"." : parent);
    const Final folder = finalPath(parent);
    if (anchor.error != 0 || folder.error != 0) {
        return Failure{
            cannotWrite(file, systemMessage(anchor.error != 0 ? anchor.error : folder.error))};
    }
    place.anchor = anchor.path;
    if (folder.path != anchor.path && !isInside(folder.path, anchor.path)) {
        return Failure{pathLeadsOutside(file, where(place))};
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return place;  // a new file, in a folder inside
    }
    const Final target = finalPath(wide);
    if (target.error != 0) {
        return Failure{(attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                           ? linkToNothing(file)
                           : cannotWrite(file, systemMessage(target.error))};
    }
    if (!isInside(target.path, anchor.path)) {
        return Failure{linkLeadsOutside(file, where(place))};
    }
    place.target = target.path;
    return place;
}

// A name beside target that no list shows, for the copy until the program has started.
std::wstring copyNameFor(const std::wstring& target) {
    static unsigned counter = 0;
    const std::size_t slash = target.find_last_of(L"\\/");
    return target.substr(0, slash + 1) + L".kestrin-" + std::to_wstring(GetCurrentProcessId()) +
           L"-" + std::to_wstring(counter++) + L".part";
}

}  // namespace

PendingOutput::PendingOutput(std::wstring copy, std::wstring keep, std::string shownKeep)
    : m_copy(std::move(copy)), m_keep(std::move(keep)), m_shownKeep(std::move(shownKeep)) {}

PendingOutput::PendingOutput(PendingOutput&& other) noexcept
    : m_copy(std::exchange(other.m_copy, std::wstring())),
      m_keep(std::move(other.m_keep)),
      m_shownKeep(std::move(other.m_shownKeep)) {}

PendingOutput::~PendingOutput() {
    if (!m_copy.empty()) {
        DeleteFileW(m_copy.c_str());
    }
}

std::string PendingOutput::commit() {
    if (m_copy.empty() || !MoveFileExW(m_copy.c_str(), m_keep.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return "";
    }
    m_copy.clear();
    return m_shownKeep;
}

Result<PendingOutput> prepareOutput(const std::string& file) {
    const auto wide = toWide(file);
    if (!wide) {
        return Failure{cannotWrite(file, "the name is not valid UTF-8.")};
    }
    const Result<Place> place = locate(file, *wide);
    if (!place) {
        return place.failure();
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (place->target.empty() ||
        !GetFileAttributesExW(place->target.c_str(), GetFileExInfoStandard, &data)) {
        return PendingOutput(L"", L"", "");
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Failure{notAnOrdinaryFile(file)};
    }
    if (data.nFileSizeLow == 0 && data.nFileSizeHigh == 0) {
        return PendingOutput(L"", L"", "");
    }
    const std::wstring keep = place->target + L"~";
    const std::string shownKeep =
        place->named + toUtf8(below(place->target, place->anchor)).value_or(file) + "~";
    const DWORD keepAttributes = GetFileAttributesW(keep.c_str());
    if (keepAttributes != INVALID_FILE_ATTRIBUTES &&
        (keepAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Failure{cannotKeep(file, shownKeep, reasonFor(EISDIR))};
    }
    const std::wstring copy = copyNameFor(place->target);
    if (!CopyFileW(place->target.c_str(), copy.c_str(), TRUE)) {
        return Failure{cannotKeep(file, shownKeep, systemMessage(GetLastError()))};
    }
    return PendingOutput(copy, keep, shownKeep);
}

}  // namespace kestrin::platform
