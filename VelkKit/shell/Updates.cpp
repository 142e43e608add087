#include "shell/Updates.h"

#include "trace/Trace.h"

#include <string>

namespace velk::Updates {

void start() {
    trace([] { return std::string(offTrace); });
}

}  // namespace velk::Updates
