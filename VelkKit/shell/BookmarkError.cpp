#include "shell/BookmarkError.h"

#include "core/Overloaded.h"

namespace velk {

std::string BookmarkError::description() const {
    return std::visit(
        Overloaded{
            [](const NotAbsolute& notAbsolute) {
                return "velk can only keep maps in a folder given by its full path, not \u201C" + notAbsolute.path + "\u201D.";
            },
            [](const NotUTF8&) {
                return std::string("velk can\u2019t keep maps in this folder because its name isn\u2019t UTF-8 text. "
                                   "Choose or rename a folder.");
            },
            [](const Unreadable&) { return std::string("The remembered maps folder can\u2019t be read."); },
        },
        m_reason);
}

}  // namespace velk
