// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace kestrin {

// Information messages: modal, titled with the application title, one OK button, no icon.
// inform() returns once the user has dismissed the message. The window shows them in Qt message
// boxes; tests record them.
class Messages {
public:
    virtual ~Messages() = default;
    virtual void inform(const std::string& text) = 0;
};

}  // namespace kestrin
