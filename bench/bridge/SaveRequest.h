#pragma once

// A save request as the editor page posts it for one map of many cards: made in code from the
// editor state velk itself hands the page, so the body is exactly what a page sends back.

#include "package/DocumentTree.h"

#include <cstddef>
#include <string>

namespace velk::bench {

struct SaveRequest {
    DocumentTree package;  // the package the page was editing
    std::string body;      // the save body text, as the page writes it
    std::string text;      // the whole request: {"id":12,"op":"save","payload":{"body":"…"}}
};

// A root map of `cards` text cards in a grid, neighbours in a row linked, one sidecar record
// per card.
[[nodiscard]] SaveRequest makeSaveRequest(std::size_t cards);

}  // namespace velk::bench
