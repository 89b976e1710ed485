// SPDX-License-Identifier: MIT
#pragma once
// Decompile's output file: what is refused before a start, and how the earlier content is kept
// once the backend has started. A start that fails leaves the output byte for byte as it was;
// once started, the earlier content, unless empty, is kept beside the output as NAME~ (one
// generation) and the new output takes NAME.

#include <string>

#include "backend/running.h"
#include "common/result.h"
#include "platform/output_file.h"

namespace kestrin::backend {

struct PreparedOutput {
    platform::OutputFile file;
    // False when the earlier content is what a Decompile started here wrote, unchanged since:
    // the user's own earlier text that NAME~ may hold is never replaced by it.
    bool keepEarlier = true;
};

// Finds the output (platform/output_file.h) and makes it ready. Refused: a way that leads
// outside the output's folder, a symlink to nothing, a file a backend started here still
// writes (by what the name leads to: running.h), anything but an ordinary file under the name (a
// fifo without a reader would hang the window, a device is no place for a conversion), a file
// this user may not write or replace, a NAME~ that cannot take the earlier content (a folder,
// immutable, another user's in a sticky folder, a name too long), and a folder where no new file
// can be made. A refusal's message names the file and the reason.
Result<PreparedOutput> prepareOutput(const std::string& file, const Running& running);

// Once the backend has started. Returns where the earlier content was kept as the user names it
// ("level.txt~"), or "" when none was; or, when a step failed, words that say so and where the
// new output (or on Windows the earlier content) is.
Result<std::string> commitOutput(PreparedOutput& output);

}  // namespace kestrin::backend
