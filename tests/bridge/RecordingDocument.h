#pragma once

// Documents for the editor host's tests. RecordingDocument answers with what the test set and
// writes each call into a Journal ("load", "save <compact body>", "storeMedia <type> <bytes>",
// "media <name> <directory>", "name", "goHome", "rename <name>", "saveAs"). BareDocument
// implements only what every document must, so the defaults of the rest show.

#include "bridge/EditorDocumentHost.h"
#include "json/OrderedJSON.h"
#include "platform/Journal.h"

#include <map>
#include <memory>
#include <string>

namespace velk::testing_support {

class RecordingDocument final : public EditorDocumentHost {
public:
    explicit RecordingDocument(Journal& journal) : m_journal(journal) {}

    Expected<JSONValue, EditorDocumentError> editorLoad() override {
        m_journal.write("load");
        return state;
    }
    Expected<std::int64_t, EditorDocumentError> editorSave(const JSONValue& body) override {
        m_journal.write("save " + OrderedJSON::write(body, Pretty::no));
        return revision;
    }
    Expected<std::string, EditorDocumentError> editorStoreMedia(std::string_view bytes, std::string_view type) override {
        m_journal.write("storeMedia " + std::string(type) + " " + std::string(bytes));
        return stored;
    }
    SharedBytes editorMedia(std::string_view name, std::string_view directory) override {
        m_journal.write("media " + std::string(name) + " " + std::string(directory));
        const auto found = media.find(std::string(directory) + "/" + std::string(name));
        return found == media.end() ? nullptr : std::make_shared<const std::string>(found->second);
    }
    std::optional<std::string> editorDocumentName() override {
        m_journal.write("name");
        return name;
    }
    void editorGoHome() override { m_journal.write("goHome"); }
    Expected<void, EditorDocumentError> editorRename(std::string_view to) override {
        m_journal.write("rename " + std::string(to));
        return renamed;
    }
    Expected<void, EditorDocumentError> editorSaveAs() override {
        m_journal.write("saveAs");
        return savedAs;
    }

    Expected<JSONValue, EditorDocumentError> state = JSONValue::object({});
    Expected<std::int64_t, EditorDocumentError> revision = 1;
    Expected<std::string, EditorDocumentError> stored = std::string("velk-media/0123456789abcdef.png");
    std::map<std::string, std::string> media;  // "directory/name" -> bytes
    std::optional<std::string> name;
    Expected<void, EditorDocumentError> renamed;
    Expected<void, EditorDocumentError> savedAs;

private:
    Journal& m_journal;
};

class BareDocument final : public EditorDocumentHost {
public:
    Expected<JSONValue, EditorDocumentError> editorLoad() override { return JSONValue::null(); }
    Expected<std::int64_t, EditorDocumentError> editorSave(const JSONValue&) override { return 1; }
    Expected<std::string, EditorDocumentError> editorStoreMedia(std::string_view, std::string_view) override {
        return std::string("velk-media/x.png");
    }
    SharedBytes editorMedia(std::string_view, std::string_view) override { return nullptr; }
};

}  // namespace velk::testing_support
