// SPDX-License-Identifier: MIT
#pragma once
// A value, or why there is none. Every operation that may fail returns one, so a failure cannot
// be dropped unread: Result<T> carries words for the user (Failure), SystemResult<T> the system's
// error code, which only the layers above the OS turn into words.

#include <concepts>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

namespace kestrin {

// Why an operation failed, in words fit for an information message.
struct Failure {
    std::string message;

    bool operator==(const Failure&) const = default;
};

// For an operation that only succeeds or fails.
struct Done {
    bool operator==(const Done&) const = default;
};

template <typename T = Done, typename Error = Failure>
class [[nodiscard]] Result {
public:
    Result() requires std::same_as<T, Done> : m_state(Done{}) {}
    Result(T value) : m_state(std::move(value)) {}      // NOLINT: implicit on purpose
    Result(Error error) : m_state(std::move(error)) {}  // NOLINT: implicit on purpose

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
    const Error& error() const { return std::get<Error>(m_state); }

    // Empty on success, so that a failure's words can be passed on as they are.
    const std::string& message() const requires std::same_as<Error, Failure> {
        static const std::string kNone;
        return ok() ? kNone : error().message;
    }

    bool operator==(const Result&) const = default;

private:
    std::variant<T, Error> m_state;
};

template <typename T = Done>
using SystemResult = Result<T, std::error_code>;

}  // namespace kestrin
