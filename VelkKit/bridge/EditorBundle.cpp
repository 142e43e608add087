#include "bridge/EditorBundle.h"

#include "core/Overloaded.h"

#include <memory>

namespace velk::EditorBundle {

std::string Failure::description() const {
    return std::visit(Overloaded{
                          [](const Missing&) {
                              return std::string(
                                  "The editor bundle is missing from this app's Resources.\n"
                                  "It is copied from pkg/velk/dist/index.html at build time;\n"
                                  "run `just build-frontend` and build again.");
                          },
                      },
                      m_case);
}

Expected<SharedBytes, Failure> html(const std::string& resourcesFolder, FileSystem& fileSystem) {
    auto bytes = fileSystem.read(resourcesFolder + "/" + std::string(pageName));
    if (!bytes) return Unexpected<Failure>(Failure::missing());
    return std::make_shared<const std::string>(std::move(*bytes));
}

}  // namespace velk::EditorBundle
