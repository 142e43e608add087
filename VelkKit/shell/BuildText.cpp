#include "shell/BuildText.h"

namespace velk::BuildText {

std::string text(std::string_view version, std::string_view commit, std::string_view build) {
    const std::string_view known = !commit.empty() ? commit : build;
    return "velk " + std::string(version.empty() ? "?" : version) + " (" + std::string(known.empty() ? "?" : known) +
           ")";
}

}  // namespace velk::BuildText
