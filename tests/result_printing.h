// SPDX-License-Identifier: MIT
#pragma once
// How GoogleTest shows a Result when an expectation fails: the value or the failure's words,
// not the object's bytes.

#include <gtest/gtest.h>

#include <concepts>
#include <ostream>
#include <system_error>

#include "backend/command.h"
#include "common/result.h"

namespace kestrin {

template <typename T, typename E>
void PrintTo(const Result<T, E>& result, std::ostream* out) {
    if (!result) {
        *out << "failure [" << ::testing::PrintToString(result.error()) << "]";
    } else if constexpr (std::same_as<T, Done>) {
        *out << "done";
    } else {
        *out << "value " << ::testing::PrintToString(result.value());
    }
}

namespace backend {

inline void PrintTo(const Command& command, std::ostream* out) {
    *out << "command [" << command.text() << "]";
}

}  // namespace backend

}  // namespace kestrin

namespace kestrin {

inline void PrintTo(const Failure& failure, std::ostream* out) {
    *out << failure.message;
}

}  // namespace kestrin
