// SPDX-License-Identifier: MIT
// The output on Windows: cmd.exe opens the file itself later, so the way to it is checked here by
// comparing the final paths the system gives.
#include "platform/windows_api.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/output_file.h"
#include "platform/wide_text_windows.h"

namespace kestrin::platform {
namespace {

using Kind = OutputPathError::Kind;

// A drive, a leading separator or a ".." part: the user named the folder.
bool namesItsFolder(std::wstring_view file) {
    std::wstring parts = L"\\" + std::wstring(file) + L"\\";
    std::replace(parts.begin(), parts.end(), L'/', L'\\');
    return file.starts_with(L'\\') || file.starts_with(L'/') ||
           (file.size() >= 2 && file[1] == L':') || parts.find(L"\\..\\") != std::wstring::npos;
}

// Whether path lies inside folder (both final paths), names compared as NTFS compares them.
bool isInside(const std::wstring& path, std::wstring folder) {
    if (!folder.ends_with(L'\\')) {
        folder += L'\\';
    }
    return path.size() > folder.size() &&
           CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                                static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

bool isMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

OutputPathError systemError(DWORD code) {
    return {Kind::System, windowsError(code), {}};
}

// The errors the layer above tells apart, as the portable codes it compares with.
std::error_code lastError() {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) {
        return std::make_error_code(std::errc::file_exists);
    }
    return windowsError(code);
}

// What the file at place.path is; the Win32 error when the system cannot say.
DWORD describe(ResolvedOutput& place) {
    const UniqueHandle file(
        CreateFileW(place.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION data{};
    if (!file.valid() || !GetFileInformationByHandle(file.get(), &data)) {
        return GetLastError();
    }
    place.exists = true;
    place.ordinary = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    place.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    place.links = data.nNumberOfLinks;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        place.unwritable = windowsError(ERROR_ACCESS_DENIED);
        place.unmovable = place.unwritable;
    }
    return ERROR_SUCCESS;
}

// An output at name, in a folder inside base: where its links lead, and what it is.
Result<ResolvedOutput, OutputPathError> existing(ResolvedOutput place, const std::wstring& name,
                                                 DWORD attributes, const std::wstring& base,
                                                 const std::string& named) {
    const auto target = finalPath(name);
    if (!target) {
        return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                   ? OutputPathError{Kind::LinkToNothing, {}, place.folder}
                   : systemError(target.error());
    }
    if (!isInside(*target, base)) {
        return OutputPathError{Kind::LinkLeadsOutside, {}, place.folder};
    }
    const std::size_t below = base.size() + (base.ends_with(L'\\') ? 0 : 1);
    place.shown = named + toUtf8(target->substr(below)).value_or(place.shown);
    place.path = *target;
    place.identity = upperCaseKey(*target);
    if (const DWORD error = describe(place); error != ERROR_SUCCESS) {
        return systemError(error);
    }
    return place;
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
        if (got == 0 || std::memcmp(left.data(), right.data(), got) != 0) {
            return got == 0;
        }
    }
}

// The lock's name, one per output, seen by every session: the identity hashed (FNV-1a), as it may
// be too long for a name; two outputs that shared a hash would only wait for each other.
std::wstring lockName(const std::string& identity) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : identity) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return L"Global\\kestrin-output-" + std::to_wstring(hash);
}

}  // namespace

Result<ResolvedOutput, OutputPathError> findOutput(const std::string& file) {
    const auto wide = toWide(file);
    if (!wide) {
        return systemError(ERROR_NO_UNICODE_TRANSLATION);
    }
    const std::size_t slash = wide->find_last_of(L"\\/");
    const std::wstring parent = slash == std::wstring::npos ? L"." : wide->substr(0, slash + 1);
    ResolvedOutput place;
    place.shown = file;
    std::string named;  // the folder as typed, with its separator
    if (namesItsFolder(*wide)) {
        named = toUtf8(parent).value_or(file);
        place.folder = named.substr(0, named.size() - 1);
    }
    const auto base = finalPath(named.empty() ? L"." : parent);
    const auto folder = finalPath(parent);
    if (!base || !folder) {
        return systemError(!base ? base.error() : folder.error());
    }
    if (*folder != *base && !isInside(*folder, *base)) {
        return OutputPathError{Kind::PathLeadsOutside, {}, place.folder};
    }
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        return existing(std::move(place), *wide, attributes, *base, named);
    }
    // Only a name that is not there is new: any other failure is the system's to tell.
    if (const DWORD error = GetLastError(); !isMissing(error)) {
        return systemError(error);
    }
    place.path = *wide;
    place.identity = upperCaseKey(*folder + L"\\" + wide->substr(wide->find_last_of(L"\\/:") + 1));
    return place;
}

SystemResult<bool> existsBeside(const ResolvedOutput& place, const std::string& suffix) {
    const std::wstring name = place.path + toWide(suffix).value_or(L"~");
    if (GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    const DWORD error = GetLastError();
    return isMissing(error) ? SystemResult<bool>(false) : windowsError(error);
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
    const bool unsettled = m_lock.valid();
    m_lock.reset();
    if (!unsettled || m_keptAs.empty()) {
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
