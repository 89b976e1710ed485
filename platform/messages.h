// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace kestrin::platform {

// Information messages: modal, titled with the application title, one OK button, no icon.
// inform() returns once the user has dismissed the message.
class Messages {
public:
    virtual ~Messages() = default;
    virtual void inform(const std::string& text) = 0;
};

}  // namespace kestrin::platform
