#include "ClosingStep.h"

namespace velk {

ClosingStep closingStep(const DocumentStatus& status) noexcept {
    if (!status.draft) return ClosingStep::writeThenClose;
    return status.edited ? ClosingStep::askWhereToSave : ClosingStep::discardThenClose;
}

}  // namespace velk
