// SPDX-License-Identifier: MIT
#pragma once
// The handles a backend inherits on Windows: standard input from NUL, standard output and error
// to its words file, and no other handle of Kestrin's (PROC_THREAD_ATTRIBUTE_HANDLE_LIST). Windows
// only.

#include "platform/windows_api.h"

#include <vector>

#include "platform/process.h"

namespace kestrin::platform {

class ChildHandles {
public:
    ChildHandles() = default;
    ~ChildHandles();
    ChildHandles(const ChildHandles&) = delete;
    ChildHandles& operator=(const ChildHandles&) = delete;

    // Sets startup's standard handles and its list of inherited handles; without a words file it
    // leaves them as they are and inherits nothing. False, with the system's error in
    // GetLastError(), when the list cannot be made.
    bool prepare(const WordsFile& words, STARTUPINFOEXW& startup);

    // Whether CreateProcessW is to let the child inherit the listed handles.
    bool inherit() const { return m_list != nullptr; }

private:
    HANDLE m_input = nullptr;
    std::vector<HANDLE> m_inherited;
    std::vector<char> m_listMemory;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

}  // namespace kestrin::platform
