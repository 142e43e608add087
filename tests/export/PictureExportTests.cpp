#include "export/PictureExport.h"

#include "core/Base64.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using F = ExportFormat;

TEST(PictureExport, TheFileNameAndTypeGiveTheFormat) {
    struct Row { const char* name; std::string path; F picked, proposed; PictureExport::ChosenFile expected; };
    const Row rows[] = {
        {"no extension takes the picked type's", "/m/plan", F::svg, F::png, {"/m/plan.svg", F::svg}},
        {"a proposed extension follows the type picked", "/m/plan.png", F::pdf, F::png, {"/m/plan.pdf", F::pdf}},
        {"a typed extension wins", "/m/plan.SVG", F::png, F::png, {"/m/plan.SVG", F::svg}},
        {"png stays 2x when 2x was picked", "/m/plan.png", F::png2x, F::png, {"/m/plan.png", F::png2x}},
        {"a dot in a folder is no extension", "/m/v1.5/plan", F::png, F::png, {"/m/v1.5/plan.png", F::png}},
        {"another extension is kept and the type's added", "/m/plan.txt", F::pdf, F::png, {"/m/plan.txt.pdf", F::pdf}},
    };
    for (const auto& row : rows) EXPECT_EQ(PictureExport::chosenFile(row.path, row.picked, row.proposed), row.expected) << row.name;
    EXPECT_EQ(PictureExport::formatNamed("png", 2), F::png2x);
    EXPECT_EQ(PictureExport::formatNamed("svg", 2), std::nullopt) << "only PNG has a scale";
}

TEST(PictureExport, ThePageCallQuotesTheMapPath) {
    const std::string call = PictureExport::pageCall({F::pdf, true, std::string("/a\"</script>\u2028")});
    EXPECT_NE(call.find(R"({format: "svg", scale: 1, selection: true, map: "/a\"\u003c/script>\u2028"})"), std::string::npos) << call;
    EXPECT_NE(PictureExport::pageCall({F::png2x, false, std::nullopt}).find(R"({format: "png", scale: 2, selection: false})"),
              std::string::npos);
}

TEST(PictureExport, OnlyAPictureOfTheKindAskedIsTaken) {
    const std::string png = Base64::encode("\x89PNG\r\n\x1a\nrest");
    struct Row { const char* name; std::string answer; F format; bool taken; };
    const Row rows[] = {
        {"png", R"({"width":10,"height":5.5,"data":")" + png + R"("})", F::png2x, true},
        {"svg", R"({"width":10,"height":5,"data":"<svg/>"})", F::pdf, true},
        {"svg asked, png given", R"({"width":10,"height":5,"data":")" + png + R"("})", F::svg, false},
        {"png asked, text given", R"({"width":10,"height":5,"data":"<svg/>"})", F::png, false},
        {"zero size", R"({"width":0,"height":5,"data":"<svg/>"})", F::svg, false},
        {"size as text", R"({"width":"10","height":5,"data":"<svg/>"})", F::svg, false},
        {"not json", "<svg/>", F::svg, false},
    };
    for (const auto& row : rows) EXPECT_EQ(PictureExport::readPageAnswer(row.answer, row.format).has_value(), row.taken) << row.name;
    EXPECT_EQ(PictureExport::readPageAnswer(rows[0].answer, F::png)->bytes, "\x89PNG\r\n\x1a\nrest");
}

TEST(PictureExport, APrintPageFitsTheLargestPDFPage) {
    const auto small = PictureExport::printPage({960, 480, "<svg/>"});
    EXPECT_DOUBLE_EQ(small.widthPoints, 720);
    EXPECT_DOUBLE_EQ(small.heightPoints, 360);
    EXPECT_NE(small.html.find("default-src 'none'"), std::string::npos) << "the printed page fetches and runs nothing";
    // A sheet a fraction of a point shorter or narrower than the picture once printed a second,
    // empty page: the sheet is whole points, and the picture fills it at 3 points to 4 pixels.
    const auto odd = PictureExport::printPage({301, 195, "<svg/>"});
    EXPECT_EQ(std::pair(odd.widthPoints, odd.heightPoints), std::pair(228.0, 147.0));
    EXPECT_NE(odd.html.find("width: 304px; height: 196px"), std::string::npos);
    const auto large = PictureExport::printPage({40000, 10000, "<svg/>"});
    EXPECT_DOUBLE_EQ(large.widthPoints, PictureExport::pdfSideLimit);
    EXPECT_DOUBLE_EQ(large.heightPoints, PictureExport::pdfSideLimit / 4);
}

}  // namespace
}  // namespace velk
