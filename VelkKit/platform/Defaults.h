#pragma once

// Defaults are the user's small lasting settings: the maps folder, the tester identifier, an
// override of the share service's address, the copies made from share links. Each value lives
// under a key and is text, bytes, or a dictionary of text to text. Reading a key as a kind it
// was not written as gives nothing, except that bytes written as valid UTF-8 also read as text.
//
// Setting a value never reports failure to the caller: a setting that cannot be made lasting
// still holds for the rest of the process, as a preference would.
//
// Main thread only. The composition root makes the one real instance and hands it down by
// reference.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace velk {

using DefaultsDictionary = std::map<std::string, std::string, std::less<>>;

class Defaults {
public:
    virtual ~Defaults() = default;

    // The text under `key`; absent when there is none or it is not text.
    [[nodiscard]] virtual std::optional<std::string> string(std::string_view key) = 0;
    // The bytes under `key`; absent when there is none or it is neither bytes nor text.
    [[nodiscard]] virtual std::optional<std::string> data(std::string_view key) = 0;
    // The dictionary under `key`; absent when there is none or any of its values is not text.
    [[nodiscard]] virtual std::optional<DefaultsDictionary> dictionary(std::string_view key) = 0;

    virtual void setString(std::string_view key, std::string_view text) = 0;
    virtual void setData(std::string_view key, std::string_view bytes) = 0;
    virtual void setDictionary(std::string_view key, const DefaultsDictionary& dictionary) = 0;
    // Forgets the value under `key`, if any.
    virtual void remove(std::string_view key) = 0;
};

}  // namespace velk
