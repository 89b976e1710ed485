// SPDX-License-Identifier: MIT
#pragma once
// The file that receives a started program's standard output on POSIX systems.
//
// The program writes into a new, hidden file beside the output; only once it has started does
// that file take the output's name, so a start that fails leaves the earlier output as it was,
// byte for byte, and two programs never write one file. The earlier content, when there was any,
// is then kept beside the output as NAME~ (one generation). The new file gets the earlier one's
// permission bits. Where the output is a link that stays inside its folder, all of this happens
// at the link's target, so the link keeps working.

#include <string>

#include "platform/descriptor_posix.h"
#include "platform/output_target_posix.h"
#include "platform/result.h"

namespace kestrin::platform {

// An output made ready by openOutput. Unless committed, it removes its new file when it goes.
class OutputFile {
public:
    OutputFile(OutputTarget target, Descriptor fresh, std::string freshName);
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Where the program's standard output goes: never 0, 1 or 2.
    int descriptor() const { return m_fresh.get(); }

    // Once the program has started: the earlier output, unless empty, becomes NAME~ and the new
    // file takes NAME. Returns the kept copy as the user names it, or "" when none was kept.
    std::string commit();

    // For a program that did not start: the new file goes again; nothing else was touched.
    void abandon();

private:
    OutputTarget m_target;
    Descriptor m_fresh;
    std::string m_freshName;
    bool m_pending = true;
};

// Finds the output (output_target_posix.h) and makes its new file. Refused: anything but an
// ordinary file under the name (a fifo without a reader would hang the window, a device is no
// place for a conversion), a file this user may not write, and a NAME~ that cannot take the
// earlier content. A failure's message names the file and the reason.
Result<OutputFile> openOutput(const std::string& file);

}  // namespace kestrin::platform
