#pragma once

// Whether a window marks its map as edited. Every change is written about a second later, so a
// map that is only waiting for that write is not marked: the title would flicker on every edit.
// The mark appears when changes stay unwritten past a grace period (the write failed, say), and
// goes the moment they are written. A draft that holds anything is always marked, since it is
// not saved anywhere the user chose.
//
// Main thread only; the grace period runs on the MainQueue.

#include "document/DocumentStatus.h"
#include "platform/MainQueue.h"

#include <chrono>
#include <functional>
#include <optional>

namespace velk {

class EditedMark {
public:
    static constexpr std::chrono::milliseconds grace{3000};

    // `changed` is called when shown() changes after the grace period.
    EditedMark(MainQueue& mainQueue, std::function<void()> changed);
    ~EditedMark();
    EditedMark(const EditedMark&) = delete;
    EditedMark& operator=(const EditedMark&) = delete;

    // The document's status now.
    void update(const DocumentStatus& status);
    [[nodiscard]] bool shown() const noexcept { return m_draftEdited || m_unsavedTooLong; }

private:
    void cancelGrace();

    MainQueue& m_mainQueue;
    std::function<void()> m_changed;
    std::optional<MainQueue::Ticket> m_grace;
    bool m_draftEdited = false;
    bool m_unsavedTooLong = false;
};

// The window's title: the map's name, and " — Edited" while marked.
[[nodiscard]] std::string editorWindowTitle(const DocumentStatus& status, bool editedMark);

}  // namespace velk
