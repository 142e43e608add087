#include "package/DocumentTree.h"

#include <utility>

namespace velk {

struct DocumentTree::Node {
    SharedBytes bytes;  // set for a file
    Children children;  // of a directory

    Node(SharedBytes fileBytes, Children directoryChildren)
        : bytes(std::move(fileBytes)), children(std::move(directoryChildren)) {}
    Node(const Node&) = default;
    Node& operator=(const Node&) = delete;

    // A chain of a million directories must not be destroyed by a million nested destructor
    // calls: children that only this node holds are moved to a work list that the outermost
    // destructor empties.
    ~Node() {
        thread_local std::vector<DocumentTree>* pending = nullptr;
        for (auto& [name, child] : children) {
            if (child.m_node && child.m_node.use_count() == 1 && !child.m_node->children.empty()) {
                if (!pending) {
                    std::vector<DocumentTree> work;
                    pending = &work;
                    work.push_back(std::move(child));
                    while (!work.empty()) {
                        DocumentTree last = std::move(work.back());
                        work.pop_back();
                    }
                    pending = nullptr;
                } else {
                    pending->push_back(std::move(child));
                }
            }
        }
    }
};

namespace {

const SharedBytes noBytes;
const DocumentTree::Children noChildren;

}  // namespace

DocumentTree::DocumentTree() : m_node(std::make_shared<Node>(nullptr, Children{})) {}

DocumentTree DocumentTree::file(std::string bytes) {
    return file(std::make_shared<const std::string>(std::move(bytes)));
}

DocumentTree DocumentTree::file(SharedBytes bytes) {
    if (!bytes) bytes = std::make_shared<const std::string>();
    return DocumentTree(std::make_shared<Node>(std::move(bytes), Children{}));
}

DocumentTree DocumentTree::directory(Children children) {
    return DocumentTree(std::make_shared<Node>(nullptr, std::move(children)));
}

bool DocumentTree::isDirectory() const noexcept { return !m_node->bytes; }

const SharedBytes& DocumentTree::bytes() const noexcept { return m_node->bytes; }

const DocumentTree::Children& DocumentTree::children() const noexcept { return m_node->children; }

std::vector<std::string_view> DocumentTree::segments(std::string_view path) {
    std::vector<std::string_view> result;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start) result.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

const DocumentTree* DocumentTree::find(const std::vector<std::string_view>& path) const {
    const DocumentTree* node = this;
    for (std::string_view segment : path) {
        if (!node->isDirectory()) return nullptr;
        const auto found = node->children().find(segment);
        if (found == node->children().end()) return nullptr;
        node = &found->second;
    }
    return node;
}

std::optional<DocumentTree> DocumentTree::at(std::string_view path) const {
    const DocumentTree* node = find(segments(path));
    if (!node) return std::nullopt;
    return *node;
}

SharedBytes DocumentTree::data(std::string_view path) const {
    const DocumentTree* node = find(segments(path));
    return node ? node->bytes() : nullptr;
}

std::optional<DocumentTree> DocumentTree::child(std::string_view name) const {
    const auto found = children().find(name);
    if (found == children().end()) return std::nullopt;
    return found->second;
}

bool DocumentTree::fileOnTheWay(std::string_view path) const {
    const auto parts = segments(path);
    const Node* node = m_node.get();
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const auto entry = node->children.find(std::string(parts[i]));
        if (entry == node->children.end()) return false;
        node = entry->second.m_node.get();
        if (node->bytes) return true;
    }
    return false;
}

void DocumentTree::write(std::string bytes, std::string_view path) {
    write(std::make_shared<const std::string>(std::move(bytes)), path);
}
void DocumentTree::write(SharedBytes bytes, std::string_view path) {
    const auto parts = segments(path);
    if (parts.empty()) return;
    Node* node = &unshared();
    node->bytes.reset();  // the root is never a file
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        auto [entry, added] = node->children.try_emplace(std::string(parts[i]));
        node = &entry->second.unshared();
        node->bytes.reset();  // a file on the way becomes a directory
    }
    node->children.insert_or_assign(std::string(parts.back()), file(std::move(bytes)));
}

void DocumentTree::remove(std::string_view path) {
    const auto parts = segments(path);
    const DocumentTree* target = find(parts);
    if (parts.empty() || !target || target->isDirectory()) return;
    Node* node = &unshared();
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) node = &node->children.find(parts[i])->second.unshared();
    node->children.erase(node->children.find(parts.back()));
}

DocumentTree::Node& DocumentTree::unshared() {
    if (m_node.use_count() != 1) m_node = std::make_shared<Node>(*m_node);
    return *m_node;
}

void DocumentTree::move(std::string_view from, std::string_view to) {
    const auto source = segments(from);
    const auto destination = segments(to);
    // Compared as segments, so "a/b" and "/a//b" are one path and the file is not lost.
    if (source == destination) return;
    const DocumentTree* node = find(source);
    if (!node || node->isDirectory()) return;
    SharedBytes bytes = node->bytes();
    write(std::move(bytes), to);
    remove(from);
}

bool operator==(const DocumentTree& a, const DocumentTree& b) {
    std::vector<std::pair<const DocumentTree*, const DocumentTree*>> work{{&a, &b}};
    while (!work.empty()) {
        const auto [x, y] = work.back();
        work.pop_back();
        if (x->sameStorage(*y)) continue;
        if (x->isDirectory() != y->isDirectory()) return false;
        if (!x->isDirectory()) {
            if (x->bytes() != y->bytes() && *x->bytes() != *y->bytes()) return false;
            continue;
        }
        if (x->children().size() != y->children().size()) return false;
        auto yChild = y->children().begin();
        for (const auto& [name, child] : x->children()) {
            if (name != yChild->first) return false;
            work.emplace_back(&child, &yChild->second);
            ++yChild;
        }
    }
    return true;
}

}  // namespace velk
