#pragma once

// Lets GoogleTest show file-system errors by their text when an expectation fails.

#include "platform/FileSystemError.h"

#include <ostream>

namespace velk {

inline void PrintTo(const FileSystemError& error, std::ostream* out) { *out << error.description(); }

}  // namespace velk
