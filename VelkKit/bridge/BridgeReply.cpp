#include "bridge/BridgeReply.h"

namespace velk {

JSONValue BridgeReply::value() const {
    if (const auto* ok = std::get_if<Ok>(&m_case)) {
        return JSONValue::object({{"ok", JSONValue::boolean(true)}, {"value", ok->result}});
    }
    return JSONValue::object(
        {{"ok", JSONValue::boolean(false)}, {"error", JSONValue::string(std::get<Error>(m_case).message)}});
}

}  // namespace velk
