// SPDX-License-Identifier: MIT
#include "platform/own_process.h"

namespace kestrin::platform {

// A program without a console gets no signals, and handles are not counted against a limit.
void prepareOwnProcess() {}

int terminationRequests() {
    return -1;
}

std::optional<Descriptors> countDescriptors() {
    return std::nullopt;
}

}  // namespace kestrin::platform
