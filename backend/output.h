// SPDX-License-Identifier: MIT
#pragma once
// Decompile's output file: what is refused before a start, and how the earlier content is kept.
// A start that fails leaves the output byte for byte as it was. Earlier content that is not
// empty is kept beside the output before the start, under the first free name of NAME~,
// NAME.~1~, NAME.~2~, ... (as GNU cp --backup names its copies), unless the last copy found
// holds the same bytes already: no copy is ever replaced or removed, whatever the number of
// Kestrins, restarts or late writes, and no guess is made from times.

#include <string>

#include "common/result.h"
#include "platform/output_file.h"

namespace kestrin::backend {

struct PreparedOutput {
    platform::OutputFile file;
    // Where the earlier content is kept, as the user names it ("level.txt~"); "" when the output
    // was new or empty.
    std::string keptCopy;
};

// Finds the output (platform/output_file.h) and makes it ready. Refused: a way that leads
// outside the output's folder, a symlink to nothing, a file a backend still writes (started by
// this Kestrin or by another), anything but an ordinary file under the name (a fifo without a
// reader would hang the window, a device is no place for a conversion), a file this user may not
// write or replace, earlier content that cannot be kept, and a folder where no new file can be
// made. A refusal's message names the file and the reason.
Result<PreparedOutput> prepareOutput(const std::string& file);

// Once the backend has started: the new output takes the output's name. On failure, words that
// say why and where the new output is; the output itself is as it was.
Result<> commitOutput(PreparedOutput& output);

// Once nothing has started: what was made for the start goes. On failure, words to add to the
// message that says why nothing started.
Result<> discardOutput(PreparedOutput& output);

}  // namespace kestrin::backend
