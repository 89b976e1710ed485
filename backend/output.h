// SPDX-License-Identifier: MIT
#pragma once
// Decompile's output file: what is refused before a start, and how the earlier content is kept
// once the backend has started. A start that fails leaves the output byte for byte as it was;
// once started, the earlier content, unless empty, is kept beside the output as NAME~ (one
// generation) and the new output takes NAME.

#include <string>

#include "common/result.h"
#include "platform/output_file.h"

namespace kestrin::backend {

// Finds the output (platform/output_file.h) and makes it ready. Refused: a way that leads
// outside the output's folder, a symlink to nothing, anything but an ordinary file under the
// name (a fifo without a reader would hang the window, a device is no place for a conversion), a
// file this user may not write, a NAME~ that cannot take the earlier content, and a folder where
// no new file can be made. A refusal's message names the file and the reason.
Result<platform::OutputFile> prepareOutput(const std::string& file);

// Once the backend has started. Returns where the earlier content was kept as the user names it
// ("level.txt~"), or "" when there was none; or, when a step failed, words that say so and where
// the new output (or on Windows the earlier content) is.
Result<std::string> commitOutput(platform::OutputFile& output);

}  // namespace kestrin::backend
