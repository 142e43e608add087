#pragma once

// The addresses this machine holds itself. A public address assigned to one of its interfaces
// (its public IPv4 address, a global IPv6 address) passes the public-address policy, yet a
// connection to it reaches services listening on this machine; link previews refuse it.
//
// Pure over the system's interface list; safe from any thread.

#include <string_view>

namespace velk::OwnAddresses {

// True when `address` (numeric IPv4 or IPv6 text; an IPv4-mapped IPv6 address stands for its
// IPv4 address) is assigned to one of this machine's interfaces at this moment. The interfaces
// are read afresh at every call, so an address added or dropped a moment ago counts as it is now;
// when they cannot be read, every address counts as this machine's.
[[nodiscard]] bool holds(std::string_view address);

}  // namespace velk::OwnAddresses
