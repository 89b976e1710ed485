// SPDX-License-Identifier: MIT
#include "platform/windows_api.h"

#include <cstring>
#include <cwchar>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

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
    const UniqueHandle handle(
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid()) {
        return {.path = L"", .error = GetLastError()};
    }
    std::wstring found(32768, L'\0');
    const DWORD length =
        GetFinalPathNameByHandleW(handle.get(), found.data(), static_cast<DWORD>(found.size()), 0);
    const DWORD error = GetLastError();
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

OutputPathError pathError(OutputPathError::Kind kind, const std::string& folder) {
    return {kind, {}, folder};
}

OutputPathError systemWayError(DWORD code) {
    return {OutputPathError::Kind::System, windowsError(code), {}};
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

void describe(ResolvedOutput& place, const std::wstring& target) {
    const UniqueHandle file(
        CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION data{};
    if (!file.valid() || !GetFileInformationByHandle(file.get(), &data)) {
        return;
    }
    place.exists = true;
    place.ordinary = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    place.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    place.links = data.nNumberOfLinks;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        place.unwritable = windowsError(ERROR_ACCESS_DENIED);
        place.unmovable = place.unwritable;
    }
}

// The errors the layer above tells apart, as the portable codes it compares with.
std::error_code lastError() {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) {
        return std::make_error_code(std::errc::file_exists);
    }
    return windowsError(code);
}

// Opened to read, without following a link, and shared, as cmd.exe may open it meanwhile.
UniqueHandle openToRead(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool sameBytes(HANDLE a, HANDLE b) {
    std::vector<char> left(65536);
    std::vector<char> right(65536);
    while (true) {
        DWORD got = 0;
        DWORD other = 0;
        if (!ReadFile(a, left.data(), static_cast<DWORD>(left.size()), &got, nullptr) ||
            !ReadFile(b, right.data(), got, &other, nullptr) || other != got) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (std::memcmp(left.data(), right.data(), got) != 0) {
            return false;
        }
    }
}

// The lock's name: one per output, in the namespace every session sees. The identity is longer
// than a name may be, so it goes in hashed (FNV-1a); two outputs that shared a hash would only
// wait for each other.
std::wstring lockName(const std::string& identity) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : identity) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    wchar_t hex[17];
    swprintf(hex, 17, L"%016llx", static_cast<unsigned long long>(hash));
    return L"Global\\kestrin-output-" + std::wstring(hex);
}

}  // namespace

Result<ResolvedOutput, OutputPathError> findOutput(const std::string& file) {
    const auto wide = toWide(file);
    if (!wide) {
        return systemWayError(ERROR_NO_UNICODE_TRANSLATION);
    }
    const std::wstring parent = parentOf(*wide);
    ResolvedOutput place;
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
        return pathError(OutputPathError::Kind::PathLeadsOutside, place.folder);
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
                   ? pathError(OutputPathError::Kind::LinkToNothing, place.folder)
                   : systemWayError(target.error);
    }
    if (!isInside(target.path, base.path)) {
        return pathError(OutputPathError::Kind::LinkLeadsOutside, place.folder);
    }
    place.shown = named + toUtf8(below(target.path, base.path)).value_or(file);
    place.path = target.path;
    place.identity = identityOf(target.path);
    describe(place, target.path);
    return place;
}

SystemResult<bool> existsBeside(const ResolvedOutput& place, const std::string& suffix) {
    const std::wstring name = place.path + toWide(suffix).value_or(L"~");
    if (GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return false;
    }
    return windowsError(error);
}

bool sameContentBeside(const ResolvedOutput& place, const std::string& suffix) {
    const UniqueHandle output = openToRead(place.path);
    const UniqueHandle other = openToRead(place.path + toWide(suffix).value_or(L"~"));
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    const DWORD special = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    return output.valid() && other.valid() && GetFileInformationByHandle(output.get(), &a) &&
           GetFileInformationByHandle(other.get(), &b) && (b.dwFileAttributes & special) == 0 &&
           a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
           sameBytes(output.get(), other.get());
}

SystemResult<OutputFile> OutputFile::open(ResolvedOutput place) {
    OutputFile output(std::move(place));
    // Inherited by cmd.exe and on to the program, so that it lasts while either runs.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    output.m_lock.reset(
        CreateEventW(&inheritable, TRUE, FALSE, lockName(output.m_place.identity).c_str()));
    const DWORD error = GetLastError();
    // Another user's lock may be there without being open to this one: held all the same.
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        return std::make_error_code(std::errc::device_or_resource_busy);
    }
    if (!output.m_lock.valid()) {
        return windowsError(error);
    }
    return output;
}

OutputFile::OutputFile(ResolvedOutput place) : m_place(std::move(place)) {}

OutputFile::~OutputFile() {
    (void)discard();
}

int OutputFile::descriptor() const {
    return -1;
}

std::intptr_t OutputFile::inheritedLock() const {
    return reinterpret_cast<std::intptr_t>(m_lock.get());
}

SystemResult<> OutputFile::keepEarlier(const std::string& suffix) {
    const std::wstring keep = m_place.path + toWide(suffix).value_or(L"~");
    // cmd.exe writes into the file it finds, through every name it has: a file with other names
    // moves aside, so that cmd.exe makes a new one and the others keep their content.
    m_moved = m_place.links > 1;
    const bool kept = m_moved ? MoveFileExW(m_place.path.c_str(), keep.c_str(), 0) != 0
                              : CopyFileW(m_place.path.c_str(), keep.c_str(), TRUE) != 0;
    if (!kept) {
        return lastError();
    }
    m_keptAs = suffix;
    return {};
}

SystemResult<> OutputFile::commit() {
    m_lock.reset();  // cmd.exe holds its own
    return {};
}

std::string OutputFile::shownNewFile() const {
    return m_place.shown;
}

SystemResult<> OutputFile::discard() {
    if (!m_lock.valid()) {
        return {};
    }
    m_lock.reset();
    if (m_keptAs.empty()) {
        return {};
    }
    const std::wstring keep = m_place.path + toWide(m_keptAs).value_or(L"~");
    const bool undone = m_moved ? MoveFileExW(keep.c_str(), m_place.path.c_str(), 0) != 0
                                : DeleteFileW(keep.c_str()) != 0;
    if (!undone) {
        return lastError();
    }
    return {};
}

}  // namespace kestrin::platform
