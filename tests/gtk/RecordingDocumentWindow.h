#pragma once

// A DocumentWindow that records what its document asked of it.

#include "document/DocumentWindow.h"

#include <string>
#include <vector>

namespace velk::testing_support {

class RecordingDocumentWindow final : public DocumentWindow {
public:
    void documentDidChange() override { ++changes; }
    void presentAlert(std::string message, std::string detail) override {
        alerts.push_back(std::move(message) + ": " + std::move(detail));
    }
    void runSaveAs() override { ++saveAsRuns; }
    void showStartWindow() override { ++startWindows; }

    int changes = 0;
    int saveAsRuns = 0;
    int startWindows = 0;
    std::vector<std::string> alerts;
};

}  // namespace velk::testing_support
