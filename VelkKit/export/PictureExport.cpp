#include "export/PictureExport.h"

#include "bridge/BridgeScript.h"
#include "bridge/EditorPageContract.h"
#include "core/Base64.h"
#include "core/NumberText.h"
#include "json/OrderedJSON.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdio>

namespace velk::PictureExport {

std::optional<ExportFormat> formatNamed(std::string_view name, int scale) {
    if (name == "svg" && scale == 1) return ExportFormat::svg;
    if (name == "pdf" && scale == 1) return ExportFormat::pdf;
    if (name == "png" && scale == 1) return ExportFormat::png;
    if (name == "png" && scale == 2) return ExportFormat::png2x;
    return std::nullopt;
}

std::optional<ExportFormat> formatOfFile(std::string_view path) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return std::nullopt;
    std::string ext(path.substr(dot + 1));
    std::ranges::transform(ext, ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return formatNamed(ext);
}

std::string_view extension(ExportFormat format) {
    switch (format) {
    case ExportFormat::svg: return "svg";
    case ExportFormat::pdf: return "pdf";
    case ExportFormat::png:
    case ExportFormat::png2x: break;
    }
    return "png";
}

ChosenFile chosenFile(std::string path, ExportFormat picked, ExportFormat proposed) {
    const auto typed = formatOfFile(path);
    if (!typed) return {path + "." + std::string(extension(picked)), picked};
    if (extension(*typed) == extension(picked)) return {std::move(path), picked};
    if (extension(*typed) != extension(proposed)) return {std::move(path), *typed};
    path.resize(path.rfind('.') + 1);
    return {path + std::string(extension(picked)), picked};
}

std::string pageCall(const ExportRequest& request, int waitMs) {
    const std::string function(EditorPageContract::exportFunction);
    // A PDF is printed from the SVG.
    const bool png = request.format == ExportFormat::png || request.format == ExportFormat::png2x;
    std::string argument = std::string("{format: \"") + (png ? "png" : "svg") + "\", scale: " +
                           (request.format == ExportFormat::png2x ? "2" : "1") +
                           ", selection: " + (request.selection ? "true" : "false");
    if (request.map) argument += ", map: " + BridgeScript::quote(*request.map);
    argument += "}";
    return "for (let waited = 0; !" + function + "; waited += 50) {\n"
           "  if (waited >= " + std::to_string(waitMs) + ") throw new Error(\"The editor page did not start\");\n"
           "  await new Promise((resolve) => setTimeout(resolve, 50));\n"
           "}\n"
           "return await " + function + "(" + argument + ");";
}

namespace {

std::optional<double> positive(const std::optional<JSONValue>& value) {
    if (!value) return std::nullopt;
    const auto text = value->numberText();
    const auto number = text ? NumberText::doubleValue(*text) : std::nullopt;
    if (!number || !std::isfinite(*number) || *number <= 0) return std::nullopt;
    return number;
}

}  // namespace

Expected<ExportedPicture, std::string> readPageAnswer(std::string_view json, ExportFormat format) {
    const auto answer = OrderedJSON::parse(json);
    if (!answer || !answer->isObject()) return Unexpected(std::string("The editor page gave no picture"));
    const auto width = positive((*answer)["width"]), height = positive((*answer)["height"]);
    const auto data = (*answer)["data"];
    const auto text = data ? data->stringValue() : std::nullopt;
    if (!width || !height || !text) return Unexpected(std::string("The editor page gave no picture"));
    ExportedPicture picture{*width, *height, {}};
    if (format == ExportFormat::png || format == ExportFormat::png2x) {
        auto png = Base64::decode(*text);
        if (!png || !png->starts_with("\x89PNG\r\n\x1a\n")) return Unexpected(std::string("The editor page gave no PNG picture"));
        picture.bytes = std::move(*png);
    } else {
        if (!text->starts_with("<svg")) return Unexpected(std::string("The editor page gave no SVG picture"));
        picture.bytes = std::string(*text);
    }
    return picture;
}

PrintPage printPage(const ExportedPicture& picture) {
    constexpr double pointsPerPixel = 72.0 / 96.0;
    const double scale = std::min(1.0, pdfSideLimit / (std::max(picture.width, picture.height) * pointsPerPixel));
    const double width = picture.width * scale, height = picture.height * scale;
    // The sheet is whole points, never less than the picture, and the picture fills it exactly at
    // 3 points to 4 pixels: the printer takes a sheet to the nearest point and scales what is
    // wider than it to fit, and a picture a fraction taller than its sheet spilled onto a
    // second, empty one. So both sides are whole multiples of 4 pixels.
    const double sheetWidth = std::ceil(width / 4 - 1e-9) * 4, sheetHeight = std::ceil(height / 4 - 1e-9) * 4;
    const double widthPoints = sheetWidth * pointsPerPixel, heightPoints = sheetHeight * pointsPerPixel;
    // The SVG was written by velk's own page, and its text is escaped; the policy still lets this
    // page fetch and run nothing, so a picture can never reach out while it is printed.
    char size[96];
    std::snprintf(size, sizeof size, "%.0fpt %.0fpt", widthPoints, heightPoints);
    char box[128];
    std::snprintf(box, sizeof box, "width: %.0fpx; height: %.0fpx", sheetWidth, sheetHeight);
    std::string html = std::string("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                                   "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                                   "img-src data:; style-src 'unsafe-inline'\">"
                                   "<style>@page { size: ") + size + "; margin: 0 } html, body { margin: 0; padding: 0 }"
                       " svg { display: block; " + box + " }</style></head><body>";
    html += picture.bytes;
    html += "</body></html>";
    return {std::move(html), widthPoints, heightPoints};
}

}  // namespace velk::PictureExport
