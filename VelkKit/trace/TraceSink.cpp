#include "trace/TraceSink.h"

#include "trace/Trace.h"

namespace velk {

TraceSink TraceSink::process() {
    if (!traceEnabled()) return TraceSink();
    return TraceSink([](std::string_view message) { writeTraceLine(message); });
}

}  // namespace velk
