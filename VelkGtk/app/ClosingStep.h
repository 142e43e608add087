#pragma once

// What closing an editor window does first, by what its document holds. A saved map is written
// and the window goes; a draft the user never touched is thrown away without a word; a draft
// with anything in it is not given up before the user says where to save it, or that it may go.
// Pure; safe from any thread.

#include "document/DocumentStatus.h"

namespace velk {

enum class ClosingStep { writeThenClose, discardThenClose, askWhereToSave };

[[nodiscard]] ClosingStep closingStep(const DocumentStatus& status) noexcept;

}  // namespace velk
