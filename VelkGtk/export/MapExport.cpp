#include "export/MapExport.h"

#include "export/PdfPrinter.h"
#include "platform/PosixFileSystem.h"

namespace velk::MapExport {

namespace {

Expected<void, std::string> write(const std::string& file, std::string_view bytes) {
    PosixFileSystem files;
    if (auto written = files.writeAtomically(file, bytes); !written)
        return Unexpected("“" + file + "” could not be written: " + written.error().description());
    return {};
}

}  // namespace

void run(WebKitWebViewBinding& page, const ExportRequest& request, std::string file, Done done) {
    page.callAsyncFunctionForText(
        PictureExport::pageCall(request),
        [format = request.format, file = std::move(file), done = std::move(done)](Expected<std::string, std::string> answer) {
            if (!answer) return done(Unexpected(answer.error()));
            auto picture = PictureExport::readPageAnswer(*answer, format);
            if (!picture) return done(Unexpected(picture.error()));
            if (format != ExportFormat::pdf) return done(write(file, picture->bytes));
            PdfPrinter::print(*picture, [file, done](Expected<std::string, std::string> pdf) {
                if (!pdf) return done(Unexpected(pdf.error()));
                done(write(file, *pdf));
            });
        });
}

}  // namespace velk::MapExport
