#pragma once

// Lets GoogleTest show file-system and package errors by their text when an expectation fails.

#include "package/PackageError.h"
#include "platform/FileSystemError.h"

#include <ostream>

namespace velk {

inline void PrintTo(const FileSystemError& error, std::ostream* out) { *out << error.description(); }
inline void PrintTo(const PackageError& error, std::ostream* out) { *out << error.description(); }

}  // namespace velk
