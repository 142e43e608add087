#pragma once

// A map package opened from disk the way the editor opens one: read through the package store
// into a document core that has loaded its state. Shared by the package commands.

#include "CommandLine.h"

#include "package/MapDocumentCore.h"
#include "package/PackageStore.h"
#include "platform/PosixFileSystem.h"

#include <memory>
#include <optional>
#include <string_view>

namespace velk::cli {

struct OpenPackage {
    std::unique_ptr<PosixFileSystem> fileSystem;
    std::unique_ptr<PackageStore> store;
    MapDocumentCore core;
};

// Opens the package at `folder`; on failure prints why on standard error and gives absent.
// Entries that could not be read are reported as warnings and left out, as the editor does.
[[nodiscard]] std::optional<OpenPackage> openPackage(std::string_view folder, const Streams& streams);

// The editor state of the opened package, which also teaches the core the files behind its
// maps; absent, with the reason printed, when the package holds no map velk can read.
[[nodiscard]] std::optional<JSONValue> loadedState(OpenPackage& package, const Streams& streams);

// Saves the core's tree back through the store; false (with the error printed) on failure.
[[nodiscard]] bool savePackage(OpenPackage& package, const Streams& streams);

}  // namespace velk::cli
