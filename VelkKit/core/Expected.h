#pragma once

// velk::Expected<T, E> is the result of every operation that returns either its value or an
// error. It is std::expected where the standard library has it; clang 14 with libstdc++ 12 does
// not, so there it is tl::expected, which has the same interface. Use only the common subset:
// has_value, operator bool, *, ->, value, error, and velk::Unexpected to make an error.

#if __has_include(<expected>)
#include <expected>
#endif

#if defined(__cpp_lib_expected) && __cpp_lib_expected >= 202202L
namespace velk {
template <class T, class E>
using Expected = std::expected<T, E>;
template <class E>
using Unexpected = std::unexpected<E>;
}
#else
#include <tl/expected.hpp>
namespace velk {
template <class T, class E>
using Expected = tl::expected<T, E>;
// A class rather than an alias, so that Unexpected(error) deduces its type: clang 14 cannot
// deduce through an alias template.
template <class E>
struct Unexpected : tl::unexpected<E> {
    using tl::unexpected<E>::unexpected;
};
template <class E>
Unexpected(E) -> Unexpected<E>;
}
#endif
