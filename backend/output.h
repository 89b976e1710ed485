// SPDX-License-Identifier: MIT
#pragma once
// Decompile's output file. A start that fails leaves it byte for byte as it was. Earlier content
// that is not empty is kept beside it before the start, under the first free name of NAME~,
// NAME.~1~, NAME.~2~... (as GNU cp --backup names copies), unless the last copy holds the same
// bytes: no copy is ever replaced or removed, and no guess is made from times.

#include <string>

#include "common/result.h"
#include "platform/output_file.h"

namespace kestrin::backend {

struct PreparedOutput {
    platform::OutputFile file;
    // Where the earlier content is kept, as the user names it ("level.txt~"); "" when none was.
    std::string keptCopy;
};

// Finds the output (platform/output_file.h) and makes it ready. Refused: a way that leads outside
// its folder, a symlink to nothing, a file a backend still writes (started by any Kestrin), any
// but an ordinary file (a fifo without a reader would hang the window), a file this user may not
// write or replace, earlier content that cannot be kept, a folder where no file can be made.
Result<PreparedOutput> prepareOutput(const std::string& file);

// Once the backend has started: the new output takes the output's name; on failure the words say
// why and where the new output is.
Result<> commitOutput(PreparedOutput& output);

// Once nothing has started: what was made for the start goes; on failure, words to add to the
// message.
Result<> discardOutput(PreparedOutput& output);

}  // namespace kestrin::backend
