// SPDX-License-Identifier: MIT
#pragma once
// How GoogleTest shows a Result when an expectation fails: the value or the failure's words,
// not the object's bytes.

#include <gtest/gtest.h>

#include <concepts>
#include <ostream>

#include "platform/result.h"

namespace kestrin::platform {

template <typename T>
void PrintTo(const Result<T>& result, std::ostream* out) {
    if (!result) {
        *out << "failure [" << result.message() << "]";
    } else if constexpr (std::same_as<T, Done>) {
        *out << "done";
    } else {
        *out << "value " << ::testing::PrintToString(result.value());
    }
}

}  // namespace kestrin::platform
