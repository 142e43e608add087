#pragma once

// Runs the service over HTTP until SIGTERM or SIGINT; the process's exit status comes back.

#include "CommandLine.h"
#include "http/HttpExchange.h"

namespace velk::share {

[[nodiscard]] int serve(const ServeCommand& command, ServiceHandler handler);

}  // namespace velk::share
