#pragma once

// One list of what the fakes saw, in the order it happened, for tests where the order between
// a script in the page and a call elsewhere is the point.

#include <string>
#include <vector>

namespace velk::testing_support {

struct Journal {
    std::vector<std::string> events;
    void write(std::string event) { events.push_back(std::move(event)); }
};

}  // namespace velk::testing_support
