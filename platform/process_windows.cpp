// SPDX-License-Identifier: MIT
// CreateProcessW starts the program, its process handle is signalled when it has ended, and
// GetExitCodeProcess gives its exit status (cmd /c ends with the backend's).

#include "platform/windows_api.h"

#include <utility>
#include <vector>

#include "platform/process.h"
#include "platform/wide_text_windows.h"

namespace kestrin::platform {
namespace {

// The handles a program inherits: stdin from NUL, stdout and stderr to its capture, the output's
// lock, and no other handle of Kestrin's (PROC_THREAD_ATTRIBUTE_HANDLE_LIST).
class InheritedHandles {
public:
    InheritedHandles() = default;
    ~InheritedHandles() {
        if (m_list != nullptr) {
            DeleteProcThreadAttributeList(m_list);
        }
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;

    // Sets startup's standard handles and its list of handles to inherit.
    bool prepare(HANDLE writer, std::intptr_t lock, STARTUPINFOEXW& startup) {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        m_input.reset(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inheritable, OPEN_EXISTING, 0, nullptr));
        m_handles = {m_input.get(), writer};
        if (lock != -1) {
            m_handles.push_back(reinterpret_cast<HANDLE>(lock));
        }
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);  // only asks for the size
        m_memory.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_memory.data());
        if (!m_input.valid() || !InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            return false;
        }
        m_list = list;
        startup.lpAttributeList = m_list;
        startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = m_input.get();
        startup.StartupInfo.hStdOutput = writer;
        startup.StartupInfo.hStdError = writer;
        return UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                         m_handles.data(), m_handles.size() * sizeof(HANDLE),
                                         nullptr, nullptr) != 0;
    }

private:
    UniqueHandle m_input;
    std::vector<HANDLE> m_handles;
    std::vector<char> m_memory;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

}  // namespace

std::error_code workingFolderProblem() {
    return {};
}

std::string workingFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return toUtf8(folder).value_or("");
}

std::string signalName(int /*signal*/) {
    return {};
}

SystemResult<Process> startProcess(const ProcessStart& start, const StderrCapture& capture) {
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
    InheritedHandles handles;
    if (!handles.prepare(reinterpret_cast<HANDLE>(capture.writer()), start.inheritedLock,
                         startup)) {
        return lastWindowsError();
    }
    PROCESS_INFORMATION process{};
    const DWORD flags =
        CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT;
    if (!CreateProcessW(file->c_str(), line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                        &startup.StartupInfo, &process)) {
        return lastWindowsError();
    }
    CloseHandle(process.hThread);
    return Process(process.hProcess);
}

Process::Process(void* handle) : m_handle(handle) {}

std::intptr_t Process::waitable() const {
    return m_handle.valid() ? reinterpret_cast<std::intptr_t>(m_handle.get()) : -1;
}

std::optional<ExitStatus> Process::ended() {
    if (m_status || !m_handle.valid() || WaitForSingleObject(m_handle.get(), 0) != WAIT_OBJECT_0) {
        return m_status;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(m_handle.get(), &code)) {
        m_status = ExitStatus{ExitStatus::Kind::Unknown, 0};
    } else {
        // 0xC0000000 and above: an NTSTATUS error, such as an access violation.
        const auto kind =
            code >= 0xC0000000UL ? ExitStatus::Kind::Exception : ExitStatus::Kind::Exited;
        m_status = ExitStatus{kind, static_cast<int>(code)};
    }
    return m_status;
}

void HandleTraits::close(Native handle) {
    CloseHandle(handle);  // fails only for a handle that is not one: nothing left to do
}

}  // namespace kestrin::platform
