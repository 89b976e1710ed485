// SPDX-License-Identifier: MIT
#pragma once
// A value, or a message for the user saying why there is none. Every operation of listing/,
// backend/ and platform/ that may fail returns one, so a failure cannot be dropped unread.

#include <concepts>
#include <string>
#include <utility>
#include <variant>

namespace kestrin::platform {

// Why an operation failed, in words fit for an information message.
struct Failure {
    std::string message;

    bool operator==(const Failure&) const = default;
};

// For an operation that only succeeds or fails.
struct Done {
    bool operator==(const Done&) const = default;
};

template <typename T = Done>
class [[nodiscard]] Result {
public:
    Result() requires std::same_as<T, Done> : m_state(Done{}) {}
    Result(T value) : m_state(std::move(value)) {}            // NOLINT: implicit on purpose
    Result(Failure failure) : m_state(std::move(failure)) {}  // NOLINT: implicit on purpose

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<T>(m_state); }
    T& value() & { return std::get<T>(m_state); }
    T&& value() && { return std::get<T>(std::move(m_state)); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }

    // Only on failure: to pass it on from an operation that fails for the same reason.
    const Failure& failure() const { return std::get<Failure>(m_state); }

    // Empty on success, so that a failure's words can be passed on as they are.
    const std::string& message() const {
        static const std::string kNone;
        return ok() ? kNone : std::get<Failure>(m_state).message;
    }

    bool operator==(const Result&) const = default;

private:
    std::variant<T, Failure> m_state;
};

}  // namespace kestrin::platform
