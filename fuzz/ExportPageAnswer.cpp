// What the editor page answers an export with must never crash velk, and a picture taken must
// be what was asked: a positive finite size, PNG bytes for a PNG, SVG text for the rest, and a
// print page that never exceeds the largest PDF page.

#include "FuzzCheck.h"
#include "export/PictureExport.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk;
    const std::string_view text = fuzz::text(data, size);
    for (ExportFormat format : {ExportFormat::png, ExportFormat::svg, ExportFormat::pdf}) {
        const auto picture = PictureExport::readPageAnswer(text, format);
        if (!picture) continue;
        fuzz::require(std::isfinite(picture->width) && picture->width > 0 && std::isfinite(picture->height) && picture->height > 0,
                      "a picture without a size was taken", text);
        fuzz::require(picture->bytes.starts_with(format == ExportFormat::png ? "\x89PNG" : "<svg"), "a picture of the wrong kind", text);
        if (format != ExportFormat::pdf) continue;
        const auto page = PictureExport::printPage(*picture);
        fuzz::require(page.widthPoints <= PictureExport::pdfSideLimit + 1e-6 && page.heightPoints <= PictureExport::pdfSideLimit + 1e-6,
                      "a print page larger than a PDF page", text);
    }
    return 0;
}
