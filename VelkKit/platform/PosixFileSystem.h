#pragma once

// The FileSystem of the machine, over POSIX calls. Every call works from a descriptor opened
// without following a symbolic link in the last component, so a link inside a package is never
// read through or written through.
//
// Stateless: one instance may be shared by every thread.

#include "platform/FileSystem.h"

namespace velk {

class PosixFileSystem final : public FileSystem {
public:
    [[nodiscard]] Expected<std::vector<DirectoryEntry>, FileSystemError> list(const std::string& directory) override;
    [[nodiscard]] Expected<std::string, FileSystemError> read(const std::string& file) override;
    [[nodiscard]] Expected<void, FileSystemError> writeAtomically(const std::string& file, std::string_view bytes) override;
    [[nodiscard]] Expected<bool, FileSystemError> replaceIfHolding(const std::string& file, std::string_view bytes,
                                                                  std::string_view expected) override;
    [[nodiscard]] Expected<void, FileSystemError> makeDirectory(const std::string& directory) override;
    [[nodiscard]] Expected<void, FileSystemError> rename(const std::string& from, const std::string& to, Replace replace) override;
    [[nodiscard]] Expected<void, FileSystemError> removeFile(const std::string& file) override;
    [[nodiscard]] Expected<void, FileSystemError> removeDirectory(const std::string& directory) override;
    [[nodiscard]] Expected<void, FileSystemError> syncDirectory(const std::string& directory) override;
};

}  // namespace velk
