#pragma once

// A WebView that shows nothing and writes down what it was asked: every script evaluated, every
// load and reload, in order, into a Journal ("evaluate: …", "load: <url> <ms>", "reload"), and
// keeps each snapshot's area and completion for the test to answer.

#include "platform/Journal.h"
#include "platform/WebView.h"

namespace velk::testing_support {

class RecordingWebView final : public WebView {
public:
    explicit RecordingWebView(Journal& journal) : m_journal(journal) {}
    void evaluateScript(std::string_view script) override {
        scripts.emplace_back(script);
        m_journal.write("evaluate: " + std::string(script));
    }
    void load(std::string_view url, std::chrono::milliseconds timeout) override {
        m_journal.write("load: " + std::string(url) + " " + std::to_string(timeout.count()) + "ms");
    }
    void reload() override { m_journal.write("reload"); }
    std::optional<std::string> currentURL() const override { return shownURL; }
    Size size() const override { return shownSize; }
    void snapshot(SnapshotArea area, SnapshotCompletion completion) override {
        snapshotAreas.push_back(area);
        snapshots.push_back(std::move(completion));
    }

    std::vector<std::string> scripts;
    std::optional<std::string> shownURL;
    Size shownSize{1200, 800};
    std::vector<SnapshotArea> snapshotAreas;
    std::vector<SnapshotCompletion> snapshots;

private:
    Journal& m_journal;
};

}  // namespace velk::testing_support
