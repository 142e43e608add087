#include "start/TemplateError.h"

#include "core/Overloaded.h"

namespace velk {

std::string TemplateError::description() const {
    return std::visit(Overloaded{
                          [](const UnknownTemplate& c) { return "There is no template called " + c.id + "."; },
                          [](const EmptyTemplate& c) { return "The " + c.id + " template has no map in it. Rebuild the app."; },
                          [](const MissingManifest&) {
                              return std::string("This app's templates are missing (Templates/manifest.json). Rebuild the app.");
                          },
                          [](const BadManifest& c) { return c.reason; },
                      },
                      m_case);
}

}  // namespace velk
