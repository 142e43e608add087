#include "bridge/EditorDocumentError.h"

namespace velk {

std::string EditorDocumentError::description() const {
    return std::visit([](const auto& error) { return std::string(error.description()); }, m_case);
}

}  // namespace velk
