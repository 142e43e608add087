#include "TemplatePreviewLayout.h"

#include "core/NumberText.h"
#include "json/OrderedJSON.h"
#include "package/MapDocument.h"
#include "package/MapTree.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace velk::TemplatePreviewLayout {

namespace {

std::optional<double> numberOf(const std::optional<JSONValue>& value) {
    const auto text = value ? value->numberText() : std::nullopt;
    return text ? NumberText::doubleValue(*text) : std::nullopt;
}

std::optional<JSONValue> parsed(const SharedBytes& bytes) {
    if (!bytes) return std::nullopt;
    auto value = OrderedJSON::parse(std::string_view(*bytes));
    if (!value) return std::nullopt;
    return *value;
}

// The union of two rectangles, where nothing is the empty rectangle.
std::optional<Rect> joined(const std::optional<Rect>& a, const Rect& b) {
    if (!a) return b;
    const double left = std::min(a->x, b.x), top = std::min(a->y, b.y);
    const double right = std::max(a->x + a->width, b.x + b.width);
    const double bottom = std::max(a->y + a->height, b.y + b.height);
    return Rect{left, top, right - left, bottom - top};
}

// The numbers of the first viewBox="..." whose quotes hold only digits, signs, points and spaces.
std::optional<Rect> viewBox(std::string_view svg) {
    constexpr std::string_view opening = "viewBox=\"";
    for (std::size_t at = svg.find(opening); at != std::string_view::npos; at = svg.find(opening, at + 1)) {
        const std::size_t start = at + opening.size();
        std::size_t end = start;
        while (end < svg.size() && (std::isdigit(static_cast<unsigned char>(svg[end])) || svg[end] == '-' ||
                                    svg[end] == '.' || svg[end] == ' '))
            ++end;
        if (end == start || end >= svg.size() || svg[end] != '"') continue;
        std::vector<double> numbers;
        const std::string_view inside = svg.substr(start, end - start);
        for (std::size_t piece = 0; piece < inside.size();) {
            const std::size_t space = std::min(inside.find(' ', piece), inside.size());
            if (space > piece)
                if (auto number = NumberText::doubleValue(inside.substr(piece, space - piece))) numbers.push_back(*number);
            piece = space + 1;
        }
        if (numbers.size() != 4) return std::nullopt;
        return Rect{numbers[0], numbers[1], numbers[2], numbers[3]};
    }
    return std::nullopt;
}

// Whole points, halves away from zero.
long rounded(double value) { return std::lround(value); }

}  // namespace

DocumentTree withoutGrid(DocumentTree tree) {
    const std::string path = MapTree::sidecarPath(MapDocument::rootCanvasName);
    const auto sidecar = parsed(tree.data(path));
    if (!sidecar || !sidecar->isObject()) return tree;
    const auto view = (*sidecar)["view"];
    const JSONValue shown = view && view->isObject() ? *view : JSONValue::object({});
    const JSONValue changed = sidecar->setting("view", shown.setting("grid", JSONValue::boolean(false)));
    tree.write(OrderedJSON::write(changed, Pretty::no), path);
    return tree;
}

std::optional<Rect> bounds(const DocumentTree& tree) {
    std::optional<Rect> all;
    if (const auto canvas = parsed(tree.data(MapDocument::rootCanvasName))) {
        const auto nodes = (*canvas)["nodes"];
        for (const JSONValue node : nodes ? nodes->elements() : JSONValue::null().elements()) {
            const auto x = numberOf(node["x"]), y = numberOf(node["y"]);
            if (!x || !y) continue;
            all = joined(all, Rect{*x, *y, numberOf(node["width"]).value_or(0), numberOf(node["height"]).value_or(0)});
        }
    }
    if (const SharedBytes ink = tree.data(MapTree::inkPath(MapDocument::rootCanvasName)))
        if (const auto box = viewBox(*ink)) all = joined(all, *box);
    if (!all || !(all->width > 0) || !(all->height > 0)) return std::nullopt;
    return all;
}

Rect framed(Rect content) {
    Rect frame{content.x - content.width * margin, content.y - content.height * margin,
               content.width * (1 + 2 * margin), content.height * (1 + 2 * margin)};
    if (frame.width / frame.height > aspect) {
        const double height = frame.width / aspect;
        frame.y -= (height - frame.height) / 2;
        frame.height = height;
    } else {
        const double width = frame.height * aspect;
        frame.x -= (width - frame.width) / 2;
        frame.width = width;
    }
    return frame;
}

Plan plan(std::string_view indexURL, const std::optional<Rect>& content) {
    if (!content) return Plan{std::string(indexURL), defaultWidth, defaultHeight};
    const Rect frame = framed(*content);
    const double zoom = std::clamp(targetWidth / frame.width, minZoom, maxZoom);
    char fragment[96];
    std::snprintf(fragment, sizeof fragment, "#/?z=%.3f&x=%ld&y=%ld", zoom, rounded(-frame.x * zoom),
                  rounded(-frame.y * zoom));
    return Plan{std::string(indexURL) + fragment, static_cast<int>(rounded(frame.width * zoom)),
                static_cast<int>(rounded(frame.height * zoom))};
}

std::optional<std::string> cacheFile(const std::optional<std::string>& cachesFolder, std::string_view applicationID,
                                     std::string_view version, std::string_view id) {
    if (!cachesFolder || cachesFolder->empty()) return std::nullopt;
    const std::string build = version.empty() ? "dev" : std::string(version);
    if (build.ends_with("-dirty")) return std::nullopt;
    const std::string app = applicationID.empty() ? "velk" : std::string(applicationID);
    return *cachesFolder + "/" + app + "/template-previews/" + build + "/" + std::string(id) + ".png";
}

}  // namespace velk::TemplatePreviewLayout
