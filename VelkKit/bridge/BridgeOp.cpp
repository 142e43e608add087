#include "bridge/BridgeOp.h"

#include <array>
#include <utility>

namespace velk {

namespace {

constexpr std::array<std::pair<BridgeOp, std::string_view>, 12> wireNames{{
    {BridgeOp::load, "load"},
    {BridgeOp::save, "save"},
    {BridgeOp::media, "media"},
    {BridgeOp::refresh, "refresh"},
    {BridgeOp::home, "home"},
    {BridgeOp::rename, "rename"},
    {BridgeOp::saveAs, "saveAs"},
    {BridgeOp::feedback, "feedback"},
    {BridgeOp::share, "share"},
    {BridgeOp::unshare, "unshare"},
    {BridgeOp::preview, "preview"},
    {BridgeOp::exportMap, "export"},
}};

}  // namespace

std::string_view wireName(BridgeOp op) noexcept {
    for (const auto& [candidate, name] : wireNames) {
        if (candidate == op) return name;
    }
    return {};
}

std::optional<BridgeOp> bridgeOpNamed(std::string_view name) noexcept {
    for (const auto& [op, candidate] : wireNames) {
        if (candidate == name) return op;
    }
    return std::nullopt;
}

}  // namespace velk
