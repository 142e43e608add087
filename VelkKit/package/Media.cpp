#include "package/Media.h"

#include "core/TextCase.h"
#include "core/WhiteSpace.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdlib>

namespace velk::Media {

std::string bareType(std::string_view type) {
    const auto start = type.find_first_not_of(';');
    if (start == std::string_view::npos) return {};
    const auto piece = type.substr(start, type.find(';', start) - start);
    return TextCase::lowercased(WhiteSpace::trimmed(piece));
}

std::string contentName(std::string_view bytes, std::string_view extension) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1 || length < 8) {
        // Hashing bytes in memory fails only when the crypto library itself is unusable. There is
        // no name to fall back on that keeps equal images in one file, so stop here.
        std::abort();
    }
    static constexpr char hex[] = "0123456789abcdef";
    std::string name;
    name.reserve(16 + extension.size());
    for (int i = 0; i < 8; ++i) {
        name.push_back(hex[digest[i] >> 4]);
        name.push_back(hex[digest[i] & 0xF]);
    }
    name += extension;
    return name;
}

std::optional<std::string_view> mimeType(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos) return std::nullopt;
    return typeForExtension(TextCase::lowercased(name.substr(dot)));
}

bool isServableName(std::string_view name) {
    if (name.empty() || name.front() == '.') return false;
    if (name.find_first_of("/\\") != std::string_view::npos) return false;
    if (name.find("..") != std::string_view::npos) return false;
    return mimeType(name).has_value();
}

std::uint64_t mediaBytes(const DocumentTree& tree) {
    std::uint64_t total = 0;
    for (const auto dir : servedDirectories) {
        const auto node = tree.child(dir);
        if (!node || !node->isDirectory()) continue;
        for (const auto& [name, child] : node->children()) {
            if (!child.isDirectory()) total += child.bytes()->size();
        }
    }
    return total;
}

Expected<StoredMedia, MediaError> store(DocumentTree& tree, std::string_view bytes, std::string_view type,
                                        const std::vector<std::string>& notRead) {
    auto bare = bareType(type);
    const auto extension = extensionForType(bare);
    if (!extension) return Unexpected<MediaError>(MediaError::unsupportedType(std::move(bare)));
    if (bytes.empty()) return Unexpected<MediaError>(MediaError::empty());
    // Before the digest: an oversized image is not worth reading through.
    if (bytes.size() > maxBytes) return Unexpected<MediaError>(MediaError::tooLarge());

    StoredMedia stored{std::string(directory) + "/" + contentName(bytes, *extension), false};
    // The same content under the same name is the same image; it costs nothing more, so the total
    // limit does not stop it.
    if (tree.data(stored.path)) return stored;
    const auto folder = tree.at(directory);
    const bool unwritable = (folder && !folder->isDirectory()) ||
                            std::ranges::any_of(notRead, [&](const std::string& path) { return path == directory || path == stored.path; });
    if (unwritable) return Unexpected<MediaError>(MediaError::unwritable());
    if (mediaBytes(tree) + bytes.size() > maxDirectoryBytes) return Unexpected<MediaError>(MediaError::directoryFull());

    tree.write(std::string(bytes), stored.path);
    stored.written = true;
    return stored;
}

SharedBytes data(const DocumentTree& tree, std::string_view name, std::string_view directoryName) {
    const bool served = std::ranges::find(servedDirectories, directoryName) != servedDirectories.end();
    if (!served || !isServableName(name)) return nullptr;
    std::string path(directoryName);
    path += '/';
    path += name;
    return tree.data(path);
}

}  // namespace velk::Media
