#pragma once

// A trace that keeps its lines for the test to read.

#include "trace/TraceSink.h"

#include <memory>
#include <string>
#include <vector>

namespace velk::testing_support {

struct RecordingTrace {
    std::shared_ptr<std::vector<std::string>> lines = std::make_shared<std::vector<std::string>>();
    [[nodiscard]] TraceSink sink() const { return TraceSink([lines = lines](std::string_view line) { lines->emplace_back(line); }); }
};

}  // namespace velk::testing_support
