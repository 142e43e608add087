#pragma once

// Why a map package could not be read, saved or created. description() is the text the user sees.

#include "platform/FileSystemError.h"

#include <string>
#include <variant>

namespace velk {

class PackageError {
public:
    // The package folder itself could not be listed.
    struct CannotOpen {
        FileSystemError cause;
        bool operator==(const CannotOpen&) const = default;
    };
    // A new package was to be made where something already has its name.
    struct AlreadyExists {
        std::string folder;
        bool operator==(const AlreadyExists&) const = default;
    };
    // The tree handed over for saving is a single file, not a folder of files.
    struct NotAFolder {
        bool operator==(const NotAFolder&) const = default;
    };
    // A step of saving failed. Every file holds either its old or its new content.
    struct NotSaved {
        FileSystemError cause;
        bool operator==(const NotSaved&) const = default;
    };
    // A file about to be replaced no longer held what velk last read or wrote there: another
    // program wrote it while velk saved. Nothing more was written.
    struct ChangedOnDisk {
        std::string file;  // inside the package
        bool operator==(const ChangedOnDisk&) const = default;
    };
    using Case = std::variant<CannotOpen, AlreadyExists, NotAFolder, NotSaved, ChangedOnDisk>;

    explicit PackageError(Case value) : m_case(std::move(value)) {}

    [[nodiscard]] const Case& value() const noexcept { return m_case; }
    [[nodiscard]] std::string description() const;
    bool operator==(const PackageError&) const = default;

private:
    Case m_case;
};

}  // namespace velk
