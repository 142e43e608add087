#include "EditedMark.h"

namespace velk {

EditedMark::EditedMark(MainQueue& mainQueue, std::function<void()> changed)
    : m_mainQueue(mainQueue), m_changed(std::move(changed)) {}

EditedMark::~EditedMark() { cancelGrace(); }

void EditedMark::cancelGrace() {
    if (!m_grace) return;
    m_mainQueue.cancel(*m_grace);
    m_grace.reset();
}

void EditedMark::update(const DocumentStatus& status) {
    m_draftEdited = status.draft && status.edited;
    if (!status.unsavedChanges) {
        cancelGrace();
        m_unsavedTooLong = false;
        return;
    }
    if (m_unsavedTooLong || m_grace) return;
    m_grace = m_mainQueue.runAfter(grace, [this] {
        m_grace.reset();
        m_unsavedTooLong = true;
        m_changed();
    });
}

std::string editorWindowTitle(const DocumentStatus& status, bool editedMark) {
    return editedMark ? status.displayName + " \u2014 Edited" : status.displayName;
}

}  // namespace velk
