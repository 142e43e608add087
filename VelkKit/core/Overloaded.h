#pragma once

// Overloaded{handlers...}: one visitor made of several lambdas, for std::visit over an error's
// cases. The deduction guide is spelled out for compilers that do not deduce aggregates yet.

namespace velk {

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

}  // namespace velk
