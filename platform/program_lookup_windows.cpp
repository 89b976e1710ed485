// SPDX-License-Identifier: MIT
#include "platform/windows_api.h"

#include "platform/program_lookup.h"
#include "platform/wide_text_windows.h"

namespace kestrin::platform {

FileKind kindOfFile(const std::string& path) {
    const auto wide = toWide(path);
    const DWORD attributes = wide ? GetFileAttributesW(wide->c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return FileKind::Missing;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Folder : FileKind::File;
}

std::optional<std::string> environmentVariable(const char* name) {
    const std::wstring wideName = toWide(name).value_or(L"");
    for (std::wstring value(256, L'\0');;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                     static_cast<DWORD>(value.size()));
        if (length == 0) {
            return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt
                                                            : std::optional<std::string>("");
        }
        const bool whole = length < value.size();
        value.resize(length);  // or the size it needs
        if (whole) {
            return toUtf8(value);  // not valid UTF-16: it names no place Kestrin could show
        }
    }
}

std::string commandInterpreter() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    return toUtf8(std::wstring(folder, length) + L"\\cmd.exe").value_or("");
}

}  // namespace kestrin::platform
