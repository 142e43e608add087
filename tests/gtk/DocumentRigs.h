#pragma once

// The desktop tests' shared fixtures. The shown document's main queue is a template argument: a
// manual one for timing, the GLib one where real file monitor events must flow.

#include "bridge/EditorWebHost.h"
#include "document/DocumentWindow.h"
#include "document/VelkDocument.h"
#include "json/OrderedJSON.h"
#include "package/FaultyFileSystem.h"
#include "platform/Journal.h"
#include "platform/PosixFileSystem.h"
#include "platform/RecordingTrace.h"
#include "platform/RecordingWebView.h"
#include "platform/RecordingWorkspace.h"
#include "platform/ScriptedHttpClient.h"
#include "platform/TempFolder.h"
#include "preview/LinkPreviewFetcher.h"

#include <glib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace velk::testing_support {

// Runs the GLib default context until `done` or `limit`; whether `done` came true.
template <class Done>
bool spinMainContextUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
    }
    return true;
}

inline void spinMainContextFor(std::chrono::milliseconds span) {
    spinMainContextUntil([] { return false; }, span);
}

// A save body of the root map holding one text card "c1" that reads `text`.
inline JSONValue bodyWithCard(const std::string& text) {
    return OrderedJSON::parse("{\"maps\":[{\"path\":\"/\",\"canvas\":{\"nodes\":[{\"id\":\"c1\",\"type\":\"text\","
                              "\"x\":0,\"y\":0,\"width\":200,\"height\":80,\"text\":\"" + text +
                              "\"}],\"edges\":[]},\"sidecar\":{}}]}")
        .value();
}

// A canvas as another program would write it, with one card labelled `text`.
inline std::string canvasWithCard(const std::string& text) {
    return "{\"nodes\":[{\"id\":\"o1\",\"type\":\"text\",\"x\":0,\"y\":0,\"width\":100,\"height\":50,\"text\":\"" +
           text + "\"}],\"edges\":[]}\n";
}

class RecordingDocumentWindow final : public DocumentWindow {
public:
    void documentDidChange() override { ++changes; }
    void presentAlert(std::string message, std::string detail) override {
        alerts.push_back(std::move(message) + ": " + std::move(detail));
    }
    void runSaveAs() override { ++saveAsRuns; }
    void runExport(bool) override {}
    void showStartWindow() override { ++startWindows; }

    int changes = 0;
    int saveAsRuns = 0;
    int startWindows = 0;
    std::vector<std::string> alerts;
};

template <class Queue>
struct ShownDocumentRig {
    TempFolder folder{"shown_document"};
    PosixFileSystem fileSystem;
    FaultyFileSystem disk{fileSystem};  // the document's, so a test can make a step of saving fail
    Queue queue;
    Journal journal;
    RecordingWebView view{journal};
    ScriptedHttpClient http;
    LinkPreviewFetcher previews{http, [](std::string_view) { return std::vector<std::string>{}; }};
    RecordingWorkspace workspace{journal};
    RecordingTrace trace;
    RecordingDocumentWindow window;
    std::string package = folder / "Trip.velk";
    std::shared_ptr<VelkDocument> document;
    std::shared_ptr<EditorWebHost> host;

    explicit ShownDocumentRig(DocumentOptions options = {}) {
        std::filesystem::create_directories(package);
        put(package + "/map.canvas", "{\"nodes\":[],\"edges\":[]}\n");
        document = VelkDocument::open(package, disk, queue).value();
        options.trace = trace.sink();
        document->setOptions(std::move(options));
        host = EditorWebHost::make(std::make_shared<const std::string>("<p>editor</p>"), document,
                                   {view, queue, http, previews, workspace, {}, TraceSink()});
        document->showIn(&window, host);
    }
    ~ShownDocumentRig() {
        if (document) document->showIn(nullptr, {});
    }

    [[nodiscard]] std::string onDisk(const std::string& path = "map.canvas") const { return contentOf(package + "/" + path); }
    [[nodiscard]] std::string held(const std::string& path = "map.canvas") const {
        auto bytes = document->core().tree().data(path);
        return bytes ? *bytes : std::string();
    }
    // The scripts that told the page its document was read again from disk.
    [[nodiscard]] std::vector<std::string> changedScripts() const {
        std::vector<std::string> found;
        for (const auto& script : view.scripts)
            if (script.starts_with("window.__velkChanged") && script.find("file") != std::string::npos)
                found.push_back(script);
        return found;
    }
    [[nodiscard]] bool traced(const std::string& line) const { return std::ranges::count(*trace.lines, line) > 0; }
};

}  // namespace velk::testing_support
