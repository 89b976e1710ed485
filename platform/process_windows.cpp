// SPDX-License-Identifier: MIT
// A started backend on Windows: its process handle is signalled when it has ended, and
// GetExitCodeProcess gives its status (cmd /c ends with the backend's). Its words go to a
// temporary file that is deleted once the last handle to it, Kestrin's or the backend's, closes.

#include "platform/windows_api.h"

#include <cstdio>
#include <utility>

#include "platform/child_handles_windows.h"
#include "platform/process.h"
#include "platform/wide_text.h"

namespace kestrin::platform {
namespace {

void closeHandle(void*& handle) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
    handle = nullptr;
}

}  // namespace

std::string describe(const Ending& ending) {
    if (ending.kind == Ending::Kind::Unknown) {
        return "ended, with a status Kestrin could not learn";
    }
    const auto code = static_cast<unsigned long>(static_cast<DWORD>(ending.code));
    if (code < 0xC0000000UL) {
        return "ended with status " + std::to_string(code);
    }
    // An exception the program did not handle, such as 0xC0000005 for an access violation.
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", code);
    return std::string("ended with status ") + hex;
}

Process::Process(void* handle) : m_handle(handle) {}

Process::~Process() {
    release();
}

Process::Process(Process&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_ending(std::exchange(other.m_ending, std::nullopt)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        release();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_ending = std::exchange(other.m_ending, std::nullopt);
    }
    return *this;
}

void Process::release() {
    closeHandle(m_handle);
}

bool Process::exists() const {
    return m_handle != nullptr;
}

std::intptr_t Process::waitable() const {
    return m_handle == nullptr ? -1 : reinterpret_cast<std::intptr_t>(m_handle);
}

std::optional<Ending> Process::ended() {
    if (m_ending || m_handle == nullptr || WaitForSingleObject(m_handle, 0) != WAIT_OBJECT_0) {
        return m_ending;
    }
    DWORD code = 0;
    m_ending = GetExitCodeProcess(m_handle, &code)
                   ? Ending{Ending::Kind::Status, static_cast<int>(code)}
                   : Ending{Ending::Kind::Unknown, 0};
    return m_ending;
}

std::optional<WordsFile> WordsFile::create() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"kst", 0, name) == 0) {
        return std::nullopt;
    }
    // GetTempFileNameW made the file; this handle deletes it once every handle is closed.
    HANDLE file = CreateFileW(
        name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileW(name);
        return std::nullopt;
    }
    HANDLE writer = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &writer, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        CloseHandle(file);
        return std::nullopt;
    }
    WordsFile words;
    words.m_path = toUtf8(name).value_or(std::string());
    words.m_file = file;
    words.m_writer = writer;
    return words;
}

WordsFile::~WordsFile() {
    release();
}

WordsFile::WordsFile(WordsFile&& other) noexcept
    : m_path(std::exchange(other.m_path, {})),
      m_file(std::exchange(other.m_file, nullptr)),
      m_writer(std::exchange(other.m_writer, nullptr)) {}

WordsFile& WordsFile::operator=(WordsFile&& other) noexcept {
    if (this != &other) {
        release();
        m_path = std::exchange(other.m_path, {});
        m_file = std::exchange(other.m_file, nullptr);
        m_writer = std::exchange(other.m_writer, nullptr);
    }
    return *this;
}

void WordsFile::release() {
    closeWriter();
    closeHandle(m_file);
    m_path.clear();
}

bool WordsFile::exists() const {
    return m_file != nullptr;
}

std::intptr_t WordsFile::writer() const {
    return m_writer == nullptr ? -1 : reinterpret_cast<std::intptr_t>(m_writer);
}

void WordsFile::closeWriter() {
    closeHandle(m_writer);
}

std::string WordsFile::tail(std::size_t limit) const {
    LARGE_INTEGER size{};
    if (m_file == nullptr || !GetFileSizeEx(m_file, &size)) {
        return {};
    }
    const auto total = static_cast<std::size_t>(size.QuadPart);
    LARGE_INTEGER start{};
    start.QuadPart = static_cast<LONGLONG>(total > limit ? total - limit : 0);
    std::string text(total - static_cast<std::size_t>(start.QuadPart), '\0');
    DWORD got = 0;
    if (!SetFilePointerEx(m_file, start, nullptr, FILE_BEGIN) ||
        !ReadFile(m_file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr)) {
        return {};
    }
    text.resize(got);
    return text;
}

ChildHandles::~ChildHandles() {
    if (m_list != nullptr) {
        DeleteProcThreadAttributeList(m_list);
    }
    closeHandle(m_input);
}

bool ChildHandles::prepare(const WordsFile& words, STARTUPINFOEXW& startup) {
    if (!words.exists()) {
        return true;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    m_input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                          OPEN_EXISTING, 0, nullptr);
    if (m_input == INVALID_HANDLE_VALUE) {
        m_input = nullptr;
        return false;
    }
    const auto writer = reinterpret_cast<HANDLE>(words.writer());
    m_inherited = {m_input, writer};
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    m_listMemory.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_listMemory.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) {
        return false;
    }
    m_list = list;
    if (!UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_inherited.data(),
                                   m_inherited.size() * sizeof(HANDLE), nullptr, nullptr)) {
        return false;
    }
    startup.lpAttributeList = m_list;
    startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = m_input;
    startup.StartupInfo.hStdOutput = writer;
    startup.StartupInfo.hStdError = writer;
    return true;
}

}  // namespace kestrin::platform
