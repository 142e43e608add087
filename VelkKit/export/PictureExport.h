#pragma once

// Exporting a map as a picture: what is asked of the editor page and what it gives back. The
// page draws the picture (SVG, or PNG rasterised from that SVG); velk writes it, and prints the
// SVG to make a PDF. The app's Export dialog and `velk-cli export` both go through here.

#include "core/Expected.h"

#include <optional>
#include <string>
#include <string_view>

namespace velk {

enum class ExportFormat { svg, png, png2x, pdf };

struct ExportRequest {
    ExportFormat format = ExportFormat::png;
    bool selection = false;           // only the selected cards of the map on screen
    std::optional<std::string> map;   // a map path ("/", "/ID/ID"); the map on screen when absent
};

// What the page gave: the picture's size in CSS pixels (at 1×) and the file's bytes (for a PDF,
// the SVG to print).
struct ExportedPicture {
    double width = 0;
    double height = 0;
    std::string bytes;
};

namespace PictureExport {

// "svg", "png", "pdf" as `velk-cli export --format` takes them, with `scale` 2 making "png" 2×.
[[nodiscard]] std::optional<ExportFormat> formatNamed(std::string_view name, int scale = 1);
// The format a file name asks for by its extension (".png" is 1×), absent for any other.
[[nodiscard]] std::optional<ExportFormat> formatOfFile(std::string_view path);
[[nodiscard]] std::string_view extension(ExportFormat format);  // "svg", "png" or "pdf"

// The file and format of a name given in the Export dialog with `picked` as its file type, the
// dialog having proposed a name in the `proposed` format. A name without a picture extension
// gets the picked type's; one whose extension was left as proposed takes the picked type's
// (GTK does not rename the file when the type changes); an extension the user typed wins
// (".png" stays 2× when 2× was picked).
struct ChosenFile {
    std::string path;
    ExportFormat format;
    bool operator==(const ChosenFile&) const = default;
};
[[nodiscard]] ChosenFile chosenFile(std::string path, ExportFormat picked, ExportFormat proposed);

// The body of an async function that waits for the page to be ready (at most `waitMs`) and
// returns its picture as JSON text.
[[nodiscard]] std::string pageCall(const ExportRequest& request, int waitMs = 30000);

// Reads the page's answer: PNG data is decoded from Base64; a size that is not a positive
// finite number or data of the wrong kind is an error.
[[nodiscard]] Expected<ExportedPicture, std::string> readPageAnswer(std::string_view json, ExportFormat format);

// A PDF page holds at most this many points on a side; a larger map is scaled down to fit.
inline constexpr double pdfSideLimit = 14400;

struct PrintPage {
    std::string html;     // the SVG alone on a page, with nothing it could fetch or run
    double widthPoints;   // the paper size
    double heightPoints;
};

// The page that prints `picture` (an SVG) on one sheet its own size (96 CSS pixels to 72 points).
[[nodiscard]] PrintPage printPage(const ExportedPicture& picture);

}  // namespace PictureExport

}  // namespace velk
