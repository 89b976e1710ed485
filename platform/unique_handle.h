// SPDX-License-Identifier: MIT
#pragma once
// One owner for each kind of handle the system gives out: a file descriptor on POSIX, a HANDLE on
// Windows. It closes what it holds when it goes, moves (leaving none behind), and never copies.

#include <cerrno>
#include <system_error>
#include <utility>

namespace kestrin::platform {

template <typename Traits>
class Unique {
public:
    using Native = typename Traits::Native;

    Unique() = default;
    explicit Unique(Native native) : m_native(Traits::valid(native) ? native : Traits::kNone) {}
    Unique(Unique&& other) noexcept : m_native(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Native get() const { return m_native; }
    bool valid() const { return Traits::valid(m_native); }
    // Hands what it holds over to the caller, who closes it.
    Native release() { return std::exchange(m_native, Traits::kNone); }
    void reset(Native native = Traits::kNone) {
        if (valid() && native != m_native) {
            Traits::close(m_native);
        }
        m_native = Traits::valid(native) ? native : Traits::kNone;
    }

private:
    Native m_native = Traits::kNone;
};

#ifdef _WIN32
struct HandleTraits {
    using Native = void*;  // HANDLE, without <windows.h> in every header
    static constexpr Native kNone = nullptr;
    static bool valid(Native handle) {
        return handle != nullptr && handle != reinterpret_cast<Native>(-1);  // nor the invalid one
    }
    static void close(Native handle);
};
using UniqueHandle = Unique<HandleTraits>;
#else
struct FdTraits {
    using Native = int;
    static constexpr Native kNone = -1;
    static bool valid(Native fd) { return fd >= 0; }
    static void close(Native fd);
};
using UniqueFd = Unique<FdTraits>;

inline std::error_code errnoError(int error = errno) {
    return {error, std::generic_category()};
}

// fd moved above 2: Kestrin may run with 0, 1 or 2 closed, where a child's set-up overwrites it.
int offStandardDescriptors(int fd);
#endif

}  // namespace kestrin::platform
