#pragma once

// A Workspace that opens nothing and writes what it was handed into a Journal ("open: <url>",
// "reveal: <path>").

#include "platform/Journal.h"
#include "platform/Workspace.h"

namespace velk::testing_support {

class RecordingWorkspace final : public Workspace {
public:
    explicit RecordingWorkspace(Journal& journal) : m_journal(journal) {}
    void openURL(std::string_view url) override { m_journal.write("open: " + std::string(url)); }
    void revealFile(std::string_view path) override { m_journal.write("reveal: " + std::string(path)); }

private:
    Journal& m_journal;
};

}  // namespace velk::testing_support
