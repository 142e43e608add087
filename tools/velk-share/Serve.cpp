#include "Serve.h"

#include <cstdio>

namespace velk::share {

// The HTTP adapter is built on its own branch; until it is here, serving says so instead of
// pretending to listen.
int serve(const ServeCommand& command, ShareService& service) {
    (void)service;
    std::fprintf(stderr, "velk-share: this build has no HTTP server, so it cannot listen on %s:%u\n",
                 command.listenAddress.c_str(), unsigned(command.port));
    return 1;
}

}  // namespace velk::share
