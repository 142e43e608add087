#include "platform/JSONFileDefaults.h"

#include "core/Utf8.h"
#include "json/OrderedJSON.h"
#include "trace/Trace.h"

#include <utility>
#include <vector>

namespace velk {
namespace {

constexpr std::string_view hexKey = "hex";
constexpr std::string_view hexDigits = "0123456789abcdef";

std::string hexEncoded(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += hexDigits[value >> 4];
        text += hexDigits[value & 0x0F];
    }
    return text;
}

std::optional<int> hexValue(char digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    return std::nullopt;
}

std::optional<std::string> hexDecoded(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const auto high = hexValue(text[i]);
        const auto low = hexValue(text[i + 1]);
        if (!high || !low) return std::nullopt;
        bytes += static_cast<char>(*high * 16 + *low);
    }
    return bytes;
}

// The folders that lead to `file`, outermost first, the root excluded.
std::vector<std::string> foldersLeadingTo(const std::string& file) {
    std::vector<std::string> folders;
    for (std::size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1))
        folders.push_back(file.substr(0, slash));
    return folders;
}

}  // namespace

JSONFileDefaults::JSONFileDefaults(FileSystem& fileSystem, std::string file)
    : m_fileSystem(fileSystem), m_file(std::move(file)) {}

std::optional<JSONValue> JSONFileDefaults::value(std::string_view key) {
    if (!m_values) {
        m_values = JSONValue::object({});
        if (auto text = m_fileSystem.read(m_file)) {
            auto parsed = OrderedJSON::parse(*text);
            if (parsed && parsed->isObject()) {
                m_values = *parsed;
            } else {
                // Likely a person's edit gone wrong: the text is kept aside before anything replaces it.
                if (!text->empty()) m_damaged = std::move(*text);
                trace([&] { return "defaults: " + m_file + " is not a JSON object; starting afresh"; });
            }
        } else if (!std::holds_alternative<FileSystemError::NotFound>(text.error().reason())) {
            // A file that is there but could not be read now (permissions, a failing disk) may hold
            // every setting: it is never written over in this run.
            m_keepFile = true;
            trace([&] {
                return "defaults: " + m_file + " could not be read, so changes stay unsaved: " + text.error().description();
            });
        }
    }
    return (*m_values)[key];
}

std::optional<std::string> JSONFileDefaults::string(std::string_view key) {
    const auto found = value(key);
    if (!found) return std::nullopt;
    const auto text = found->stringValue();
    if (!text) return std::nullopt;
    return std::string(*text);
}

std::optional<std::string> JSONFileDefaults::data(std::string_view key) {
    const auto found = value(key);
    if (!found) return std::nullopt;
    if (const auto text = found->stringValue()) return std::string(*text);
    const auto members = found->members();
    if (members.size() != 1 || members.key(0) != hexKey) return std::nullopt;
    const auto hex = members.value(0).stringValue();
    if (!hex) return std::nullopt;
    return hexDecoded(*hex);
}

std::optional<DefaultsDictionary> JSONFileDefaults::dictionary(std::string_view key) {
    const auto found = value(key);
    if (!found || !found->isObject()) return std::nullopt;
    DefaultsDictionary result;
    for (const auto& member : found->members()) {
        const auto text = member.value.stringValue();
        if (!text) return std::nullopt;
        result.insert_or_assign(std::string(member.key), std::string(*text));
    }
    return result;
}

void JSONFileDefaults::setString(std::string_view key, std::string_view text) {
    (void)value(key);
    store(m_values->setting(key, JSONValue::string(text)));
}

void JSONFileDefaults::setData(std::string_view key, std::string_view bytes) {
    (void)value(key);
    // JSON text must be UTF-8, so other bytes go in hex.
    const JSONValue stored = Utf8::isValid(bytes)
                                 ? JSONValue::string(bytes)
                                 : JSONValue::object({{std::string(hexKey), JSONValue::string(hexEncoded(bytes))}});
    store(m_values->setting(key, stored));
}

void JSONFileDefaults::setDictionary(std::string_view key, const DefaultsDictionary& dictionary) {
    (void)value(key);
    std::vector<JSONMember> members;
    members.reserve(dictionary.size());
    for (const auto& [name, text] : dictionary) members.push_back({name, JSONValue::string(text)});
    store(m_values->setting(key, JSONValue::object(members)));
}

void JSONFileDefaults::remove(std::string_view key) {
    if (!value(key)) return;
    store(m_values->without(key));
}

void JSONFileDefaults::store(JSONValue values) {
    m_values = std::move(values);
    if (m_keepFile) return;
    if (m_damaged) {
        if (auto kept = m_fileSystem.writeAtomically(m_file + std::string(damagedSuffix), *m_damaged); !kept) {
            trace([&] { return "defaults: not saved, since the damaged file could not be kept: " + kept.error().description(); });
            return;
        }
        m_damaged.reset();
    }
    if (auto written = write(OrderedJSON::write(*m_values, Pretty::yes)); !written)
        trace([&] { return "defaults: not saved: " + written.error().description(); });
}

Expected<void, FileSystemError> JSONFileDefaults::write(const std::string& text) {
    const auto folders = foldersLeadingTo(m_file);
    auto written = m_fileSystem.writeAtomically(m_file, text);
    if (!written && std::holds_alternative<FileSystemError::NotFound>(written.error().reason())) {
        // The first setting ever: the configuration folder may not exist yet.
        for (const auto& folder : folders) {
            auto made = m_fileSystem.makeDirectory(folder);
            if (!made && !std::holds_alternative<FileSystemError::AlreadyExists>(made.error().reason())) return made;
        }
        written = m_fileSystem.writeAtomically(m_file, text);
    }
    if (!written) return written;
    if (folders.empty()) return {};
    return m_fileSystem.syncDirectory(folders.back());
}

}  // namespace velk
