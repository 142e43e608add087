#include "json/NodeEquality.h"

#include <utility>
#include <vector>

namespace velk::JSONStorage {

bool nodesEqual(const Node& a, const Node& b) {
    std::vector<std::pair<const Node*, const Node*>> work{{&a, &b}};
    while (!work.empty()) {
        const auto [x, y] = work.back();
        work.pop_back();
        if (x == y) continue;  // shared storage: the same node
        if (x->tag() != y->tag()) return false;
        switch (x->tag()) {
        case Tag::null:
        case Tag::boolFalse:
        case Tag::boolTrue: break;
        case Tag::number:
            if (x->text() != y->text()) return false;
            break;
        case Tag::string:
            if (!sameText(*x, *y)) return false;
            break;
        case Tag::array:
            if (x->size() != y->size()) return false;
            if (x->elements() == y->elements()) break;
            for (std::size_t i = x->size(); i-- > 0;) work.emplace_back(&x->elements()[i], &y->elements()[i]);
            break;
        case Tag::object:
            if (x->size() != y->size()) return false;
            if (x->members() == y->members()) break;
            for (std::size_t i = x->size(); i-- > 0;) {
                if (!sameText(x->members()[i].key, y->members()[i].key)) return false;
                work.emplace_back(&x->members()[i].value, &y->members()[i].value);
            }
            break;
        }
    }
    return true;
}

}  // namespace velk::JSONStorage
