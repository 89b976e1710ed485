// SPDX-License-Identifier: MIT
#pragma once
// What every fuzzer here shares: a failed property stops the run with its name, and libFuzzer
// keeps the input that broke it.

#include <cstdio>
#include <cstdlib>

namespace kestrin::fuzz {

inline void require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

}  // namespace kestrin::fuzz
