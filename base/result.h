// Result<T, E>: a value or the reason there is none. Failures are values here;
// no exception crosses a module boundary or a window procedure.
#pragma once
#include <string>
#include <utility>
#include <variant>

namespace base {

struct Error {
    std::string message;   // what went wrong, in words a user or maintainer can act on
};

template <class T, class E = Error>
class Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : v_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const E& error() const { return std::get<1>(v_); }

private:
    std::variant<T, E> v_;
};

// For operations that produce nothing but may fail.
struct Unit {};
template <class E = Error>
using Status = Result<Unit, E>;

}  // namespace base
