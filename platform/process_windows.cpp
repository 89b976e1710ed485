// SPDX-License-Identifier: MIT
// CreateProcessW starts the program, its process handle is signalled when it has ended, and
// GetExitCodeProcess gives its exit status (cmd /c ends with the backend's). Its stderr goes to a
// temporary file that is deleted once the last handle to it, Kestrin's or the program's, closes.

#include "platform/windows_api.h"

#include <utility>
#include <vector>

#include "platform/process.h"
#include "platform/wide_text_windows.h"

namespace kestrin::platform {
namespace {

void closeHandle(void*& handle) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
    handle = nullptr;
}

// The handles a program inherits: stdin from NUL, stdout and stderr to its capture, and no other
// handle of Kestrin's (PROC_THREAD_ATTRIBUTE_HANDLE_LIST).
class ChildHandles {
public:
    ChildHandles() = default;
    ~ChildHandles() {
        if (m_list != nullptr) {
            DeleteProcThreadAttributeList(m_list);
        }
        closeHandle(m_input);
    }
    ChildHandles(const ChildHandles&) = delete;
    ChildHandles& operator=(const ChildHandles&) = delete;

    // Sets startup's standard handles and its list of inherited handles; without a capture it
    // leaves them as they are and inherits nothing.
    bool prepare(const StderrCapture* capture, STARTUPINFOEXW& startup) {
        if (capture == nullptr || capture->writer() == -1) {
            return true;
        }
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        m_input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inheritable, OPEN_EXISTING, 0, nullptr);
        if (m_input == INVALID_HANDLE_VALUE) {
            m_input = nullptr;
            return false;
        }
        const auto writer = reinterpret_cast<HANDLE>(capture->writer());
        m_inherited = {m_input, writer};
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_listMemory.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_listMemory.data());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            return false;
        }
        m_list = list;
        if (!UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                       m_inherited.data(), m_inherited.size() * sizeof(HANDLE),
                                       nullptr, nullptr)) {
            return false;
        }
        startup.lpAttributeList = m_list;
        startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = m_input;
        startup.StartupInfo.hStdOutput = writer;
        startup.StartupInfo.hStdError = writer;
        return true;
    }

    bool inherit() const { return m_list != nullptr; }

private:
    HANDLE m_input = nullptr;
    std::vector<HANDLE> m_inherited;
    std::vector<char> m_listMemory;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

}  // namespace

std::error_code workingFolderProblem() {
    return {};
}

std::string signalName(int /*signal*/) {
    return {};
}

SystemResult<Process> startProcess(const ProcessStart& start, const StderrCapture* capture) {
    const auto file = toWide(start.file);
    const auto commandLine = toWide(start.commandLine);
    if (!file || !commandLine) {
        return windowsError(ERROR_NO_UNICODE_TRANSLATION);
    }
    // CreateProcessW may write into the command line, so it gets its own buffer.
    std::vector<wchar_t> line(commandLine->begin(), commandLine->end());
    line.push_back(L'\0');
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_SHOWMINIMIZED;
    ChildHandles handles;
    if (!handles.prepare(capture, startup)) {
        return lastWindowsError();
    }
    PROCESS_INFORMATION process{};
    const DWORD flags = CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT |
                        (handles.inherit() ? EXTENDED_STARTUPINFO_PRESENT : 0);
    if (!CreateProcessW(file->c_str(), line.data(), nullptr, nullptr, handles.inherit(), flags,
                        nullptr, nullptr, &startup.StartupInfo, &process)) {
        return lastWindowsError();
    }
    CloseHandle(process.hThread);
    return Process(process.hProcess);
}

Process::Process(void* handle) : m_handle(handle) {}

Process::~Process() {
    release();
}

Process::Process(Process&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_status(std::exchange(other.m_status, std::nullopt)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        release();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_status = std::exchange(other.m_status, std::nullopt);
    }
    return *this;
}

void Process::release() {
    closeHandle(m_handle);
}

std::intptr_t Process::waitable() const {
    return m_handle == nullptr ? -1 : reinterpret_cast<std::intptr_t>(m_handle);
}

std::optional<ExitStatus> Process::ended() {
    if (m_status || m_handle == nullptr || WaitForSingleObject(m_handle, 0) != WAIT_OBJECT_0) {
        return m_status;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(m_handle, &code)) {
        m_status = ExitStatus{ExitStatus::Kind::Unknown, 0};
    } else {
        // 0xC0000000 and above: an NTSTATUS error, such as an access violation.
        const auto kind =
            code >= 0xC0000000UL ? ExitStatus::Kind::Exception : ExitStatus::Kind::Exited;
        m_status = ExitStatus{kind, static_cast<int>(code)};
    }
    return m_status;
}

std::optional<StderrCapture> StderrCapture::create() {
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
    StderrCapture capture;
    capture.m_path = toUtf8(name).value_or(std::string());
    capture.m_file = file;
    capture.m_writer = writer;
    return capture;
}

StderrCapture::~StderrCapture() {
    release();
}

StderrCapture::StderrCapture(StderrCapture&& other) noexcept
    : m_path(std::exchange(other.m_path, {})),
      m_file(std::exchange(other.m_file, nullptr)),
      m_writer(std::exchange(other.m_writer, nullptr)) {}

StderrCapture& StderrCapture::operator=(StderrCapture&& other) noexcept {
    if (this != &other) {
        release();
        m_path = std::exchange(other.m_path, {});
        m_file = std::exchange(other.m_file, nullptr);
        m_writer = std::exchange(other.m_writer, nullptr);
    }
    return *this;
}

void StderrCapture::release() {
    closeWriter();
    closeHandle(m_file);
    m_path.clear();
}

std::intptr_t StderrCapture::writer() const {
    return m_writer == nullptr ? -1 : reinterpret_cast<std::intptr_t>(m_writer);
}

void StderrCapture::closeWriter() {
    closeHandle(m_writer);
}

std::string StderrCapture::tail(std::size_t limit) const {
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

}  // namespace kestrin::platform
