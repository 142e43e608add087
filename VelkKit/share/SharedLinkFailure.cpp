#include "share/SharedLinkFailure.h"

namespace velk {

std::string SharedLinkFailure::description() const {
    return std::visit([](const NotAMap&) { return std::string("It is not a map this version of velk can read."); },
                      m_case);
}

}  // namespace velk
