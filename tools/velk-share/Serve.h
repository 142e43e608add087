#pragma once

// Runs the service over HTTP until SIGTERM or SIGINT, its routes first and the web pages for
// every path that is not theirs (ShareService::route); the process's exit status comes back.

#include "CommandLine.h"
#include "service/ShareService.h"

namespace velk::share {

[[nodiscard]] int serve(const ServeCommand& command, ShareService& service);

}  // namespace velk::share
