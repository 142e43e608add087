#include "package/PackageError.h"

#include "core/Overloaded.h"

namespace velk {

namespace {

std::string lastComponent(std::string path) {
    while (path.size() > 1 && path.ends_with('/')) path.pop_back();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string PackageError::description() const {
    return std::visit(
        Overloaded{
            [](const CannotOpen& e) { return "The map couldn\u2019t be opened. " + e.cause.description(); },
            [](const AlreadyExists& e) {
                return "\u201C" + lastComponent(e.folder) + "\u201D already exists. Choose a different name.";
            },
            [](const NotAFolder&) { return std::string("The map couldn\u2019t be saved because its content isn\u2019t a folder."); },
            [](const NotSaved& e) { return "The map couldn\u2019t be saved. " + e.cause.description(); },
            [](const ChangedOnDisk& e) {
                return "The map couldn\u2019t be saved: another program changed \u201C" + e.file + "\u201D meanwhile.";
            },
        },
        m_case);
}

}  // namespace velk
