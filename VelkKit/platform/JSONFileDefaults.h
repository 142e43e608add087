#pragma once

// Defaults kept in one JSON file (the composition root passes $XDG_CONFIG_HOME/velk/defaults.json),
// an object with one member per key, written pretty so that a person can read and edit it. Text
// and dictionaries are JSON strings and objects; bytes are a string when they are valid UTF-8 (a
// folder bookmark is its path) and otherwise an object {"hex": "..."}.
//
// The file is read once, on first use. Every change rewrites the whole file atomically, making
// its folders first when they are missing. A file that is missing or not a JSON object reads as
// no settings at all and is replaced by the next change, a damaged one after being copied to the
// same name followed by ".damaged"; a file that exists but cannot be read
// reads as no settings too, and is never written over (changes then last until velk quits); a
// value of the wrong shape reads as absent. A change that cannot be written is traced and kept in memory, so the
// next change that can be written carries it too.
//
// Main thread only, like every Defaults.

#include "json/JSONValue.h"
#include "platform/Defaults.h"
#include "platform/FileSystem.h"

namespace velk {

class JSONFileDefaults final : public Defaults {
public:
    static constexpr std::string_view damagedSuffix = ".damaged";

    // Requires: `file` is an absolute path; `fileSystem` outlives this object.
    JSONFileDefaults(FileSystem& fileSystem, std::string file);

    [[nodiscard]] std::optional<std::string> string(std::string_view key) override;
    [[nodiscard]] std::optional<std::string> data(std::string_view key) override;
    [[nodiscard]] std::optional<DefaultsDictionary> dictionary(std::string_view key) override;

    void setString(std::string_view key, std::string_view text) override;
    void setData(std::string_view key, std::string_view bytes) override;
    void setDictionary(std::string_view key, const DefaultsDictionary& dictionary) override;
    void remove(std::string_view key) override;

private:
    [[nodiscard]] std::optional<JSONValue> value(std::string_view key);
    void store(JSONValue values);
    [[nodiscard]] Expected<void, FileSystemError> write(const std::string& text);

    FileSystem& m_fileSystem;
    std::string m_file;
    std::optional<JSONValue> m_values;  // the file's object, once read
    bool m_keepFile = false;            // the file was there but could not be read
    std::optional<std::string> m_damaged;  // the file's text, when it was no JSON object and is not kept aside yet
};

}  // namespace velk
