// SPDX-License-Identifier: MIT
#include "platform/windows_api.h"

#include <optional>
#include <string_view>
#include <utility>

#include "platform/output_file.h"
#include "platform/wide_text_windows.h"

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

OutputWayError wayError(OutputWayError::Kind kind, const std::string& folder) {
    return {kind, {}, folder};
}

OutputWayError systemWayError(DWORD code) {
    return {OutputWayError::Kind::System, windowsError(code), {}};
}

// A final path as NTFS compares names: without regard to case.
std::string identityOf(const std::wstring& finalPath) {
    std::wstring upper(finalPath.size(), L'\0');
    const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, finalPath.c_str(),
                                     static_cast<int>(finalPath.size()), upper.data(),
                                     static_cast<int>(upper.size()), nullptr, nullptr, 0);
    upper.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return toUtf8(upper).value_or("");
}

// FILETIME counts 100 ns from 1601.
std::int64_t sinceUnixEpoch(const FILETIME& time) {
    constexpr std::int64_t kFrom1601To1970 = 116'444'736'000'000'000;
    const auto ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return (ticks - kFrom1601To1970) * 100;
}

void describe(OutputPlace& place, const std::wstring& target) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data)) {
        return;
    }
    place.exists = true;
    place.ordinary = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    place.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    place.modified = sinceUnixEpoch(data.ftLastWriteTime);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        place.unwritable = windowsError(ERROR_ACCESS_DENIED);
        place.unmovable = place.unwritable;
    }
}

// A name beside target that no list shows, for the copy until the program has started.
std::wstring copyNameFor(const std::wstring& target) {
    static unsigned counter = 0;
    const std::size_t slash = target.find_last_of(L"\\/");
    return target.substr(0, slash + 1) + L".kestrin-" + std::to_wstring(GetCurrentProcessId()) +
           L"-" + std::to_wstring(counter++) + L".part";
}

}  // namespace

Result<OutputPlace, OutputWayError> findOutput(const std::string& file) {
    const auto wide = toWide(file);
    if (!wide) {
        return systemWayError(ERROR_NO_UNICODE_TRANSLATION);
    }
    const std::wstring parent = parentOf(*wide);
    OutputPlace place;
    std::string named;  // the folder as typed, with its separator
    if (namesItsFolder(*wide)) {
        named = toUtf8(parent).value_or(file);
        place.folder = named.substr(0, named.size() - 1);
    }
    const Final base = finalPath(named.empty() ? L"." : parent);
    const Final folder = finalPath(parent);
    if (base.error != 0 || folder.error != 0) {
        return systemWayError(base.error != 0 ? base.error : folder.error);
    }
    if (folder.path != base.path && !isInside(folder.path, base.path)) {
        return wayError(OutputWayError::Kind::PathLeadsOutside, place.folder);
    }
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        place.shown = file;  // a new file, in a folder inside
        place.path = *wide;
        const std::size_t nameStart = wide->find_last_of(L"\\/:") + 1;
        place.identity = identityOf(folder.path + L"\\" + wide->substr(nameStart));
        return place;
    }
    const Final target = finalPath(*wide);
    if (target.error != 0) {
        return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                   ? wayError(OutputWayError::Kind::LinkToNothing, place.folder)
                   : systemWayError(target.error);
    }
    if (!isInside(target.path, base.path)) {
        return wayError(OutputWayError::Kind::LinkLeadsOutside, place.folder);
    }
    place.shown = named + toUtf8(below(target.path, base.path)).value_or(file);
    place.path = target.path;
    place.identity = identityOf(target.path);
    describe(place, target.path);
    return place;
}

BesideState lookBeside(const OutputPlace& place, const std::string& suffix) {
    const std::wstring name = place.path + toWide(suffix).value_or(L"~");
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        const bool none = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return {.exists = false,
                .folder = false,
                .unremovable = {},
                .error = none ? std::error_code() : windowsError(error)};
    }
    // A read-only file is neither replaced nor removed.
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    return {.exists = true,
            .folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
            .unremovable = readOnly ? windowsError(ERROR_ACCESS_DENIED) : std::error_code(),
            .error = {}};
}

SystemResult<OutputFile> OutputFile::prepare(OutputPlace place, bool earlierToKeep) {
    if (!earlierToKeep || !place.exists || place.size == 0) {
        return OutputFile(std::move(place), "");
    }
    const std::wstring copy = copyNameFor(place.path);
    if (!CopyFileW(place.path.c_str(), copy.c_str(), TRUE)) {
        return lastWindowsError();
    }
    return OutputFile(std::move(place), toUtf8(copy).value_or(""));
}

OutputFile::OutputFile(OutputPlace place, std::string partName)
    : m_place(std::move(place)), m_partName(std::move(partName)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_place(std::move(other.m_place)), m_partName(std::exchange(other.m_partName, {})) {}

OutputFile::~OutputFile() {
    if (!m_partName.empty()) {
        DeleteFileW(toWide(m_partName).value_or(L"").c_str());
    }
}

int OutputFile::descriptor() const {
    return -1;
}

std::string OutputFile::writtenIdentity() const {
    return m_place.identity;
}

void OutputFile::closeDescriptor() {}

bool OutputFile::hasEarlier() const {
    return !m_partName.empty();
}

SystemResult<> OutputFile::keepEarlier(const std::string& suffix) {
    const std::wstring keep = m_place.path + toWide(suffix).value_or(L"~");
    if (!MoveFileExW(toWide(m_partName).value_or(L"").c_str(), keep.c_str(),
                     MOVEFILE_REPLACE_EXISTING)) {
        return lastWindowsError();
    }
    m_partName.clear();
    return {};
}

SystemResult<> OutputFile::takeName() {
    return {};
}

bool OutputFile::holdsNewOutput() const {
    return false;
}

std::string OutputFile::shownPart() const {
    const std::size_t slash = m_place.shown.find_last_of("\\/");
    const std::size_t partSlash = m_partName.find_last_of("\\/");
    return (slash == std::string::npos ? "" : m_place.shown.substr(0, slash + 1)) +
           m_partName.substr(partSlash == std::string::npos ? 0 : partSlash + 1);
}

SystemResult<> OutputFile::giveVisibleName(const std::string& suffix) {
    const std::wstring visible = m_place.path + toWide(suffix).value_or(L"~");
    if (!MoveFileExW(toWide(m_partName).value_or(L"").c_str(), visible.c_str(), 0)) {
        return lastWindowsError();
    }
    m_partName.clear();
    return {};
}

}  // namespace kestrin::platform
