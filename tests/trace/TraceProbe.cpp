// Traces two lines and reports on standard output whether the first message was built. The
// second is traced after the environment changed, which must make no difference.

#include "trace/Trace.h"

#include <cstdio>
#include <cstdlib>

int main() {
    bool built = false;
    velk::trace([&] {
        built = true;
        return std::string("didFinishLaunching");
    });
    setenv("VELK_TRACE", "1", 1);
    velk::trace([] { return std::string("two\nlines"); });
    std::printf("%s", built ? "built" : "not built");
    return 0;
}
