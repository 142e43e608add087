#include "Serve.h"

#include "http/HttpServer.h"
#include "pages/SharePages.h"
#include "service/PublishBody.h"

#include <cstdio>
#include <exception>

namespace velk::share {

int serve(const ServeCommand& command, ShareService& service) {
    HttpServerOptions options;
    options.address = command.listenAddress;
    options.port = command.port;
    options.trustProxy = command.trustProxy;
    // The largest publish that could pass; anything longer is refused before it is read.
    options.maxBodyBytes = PublishBody::bodyLimit;
    options.stopOnSignal = true;
    SharePages pages(service);
    const ServiceHandler handler = [&pages](const ServiceRequest& request) { return pages.answer(request); };
    try {
        HttpServer server(options, handler);
        std::fprintf(stderr, "velk-share: listening on %s:%u for %s\n", command.listenAddress.c_str(),
                     unsigned(server.port()), command.service.base.c_str());
        server.run();
    } catch (const std::exception& error) {  // Asio's own system_error is not std's
        std::fprintf(stderr, "velk-share: cannot listen on %s:%u: %s\n", command.listenAddress.c_str(),
                     unsigned(command.port), error.what());
        return 1;
    }
    std::fprintf(stderr, "velk-share: stopped\n");
    return 0;
}

}  // namespace velk::share
