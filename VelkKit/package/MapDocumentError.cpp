#include "package/MapDocumentError.h"

#include "core/Overloaded.h"

namespace velk {

std::string MapDocumentError::description() const {
    return std::visit(Overloaded{
                          [](const NoRootCanvas& e) { return "no root canvas " + e.named; },
                          [](const SharedSubmapDiverged& e) {
                              std::string text = e.file + " is linked from ";
                              for (std::size_t i = 0; i < e.paths.size(); ++i) text += (i ? ", " : "") + e.paths[i];
                              return text + " and holds different edits under each; not saved \u2014 reopen the document to see both";
                          },
                      },
                      m_case);
}

}  // namespace velk
