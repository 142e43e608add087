#include "preview/LinkPreviewFailure.h"

#include "core/Overloaded.h"

namespace velk::LinkPreview {

std::string Failure::description() const {
    return std::visit(Overloaded{
                          [](const Blocked& f) { return "blocked by link-preview policy: " + f.reason; },
                          [](const Unreachable& f) { return "could not read that page: " + f.reason; },
                          [](const NotHTML& f) { return "not a web page: " + f.contentType; },
                          [](const TooBig&) { return std::string("that page is too big to preview"); },
                      },
                      m_case);
}

}  // namespace velk::LinkPreview
