#include "platform/TexturePNG.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velk {
namespace {

constexpr std::uint32_t red = 0xffff0000, blue = 0xff0000ff, green = 0xff00ff00;

// A picture of a view `scale` pixels per point, 400 × 300 points: a red bar at the top 50 points,
// a green one at the bottom 50, blue between.
GdkTexture* barredTexture(int scale) {
    const int width = 400 * scale, height = 300 * scale;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        const std::uint32_t colour = y < 50 * scale ? red : y >= 250 * scale ? green : blue;
        for (int x = 0; x < width; ++x) pixels[static_cast<std::size_t>(y * width + x)] = colour;
    }
    GBytes* bytes = g_bytes_new(pixels.data(), pixels.size() * sizeof(std::uint32_t));
    GdkTexture* texture = gdk_memory_texture_new(width, height, GDK_MEMORY_DEFAULT, bytes,
                                                 static_cast<gsize>(width) * sizeof(std::uint32_t));
    g_bytes_unref(bytes);
    return texture;
}

struct Decoded {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    [[nodiscard]] std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

Decoded decode(const std::string& png) {
    GBytes* bytes = g_bytes_new(png.data(), png.size());
    GdkTexture* texture = gdk_texture_new_from_bytes(bytes, nullptr);
    g_bytes_unref(bytes);
    Decoded decoded;
    if (!texture) return decoded;
    decoded.width = gdk_texture_get_width(texture);
    decoded.height = gdk_texture_get_height(texture);
    decoded.pixels.resize(static_cast<std::size_t>(decoded.width * decoded.height));
    gdk_texture_download(texture, reinterpret_cast<guchar*>(decoded.pixels.data()),
                         static_cast<gsize>(decoded.width) * sizeof(std::uint32_t));
    g_object_unref(texture);
    return decoded;
}

TEST(TexturePNG, CropsTheBarsAwayAndScalesToTheWidthAtAnyPixelDensity) {
    for (int scale : {1, 2}) {
        GdkTexture* texture = barredTexture(scale);
        auto png = TexturePNG::cropped(texture, {0, 50, 400, 200, 480}, scale);
        g_object_unref(texture);
        ASSERT_TRUE(png.has_value());
        ASSERT_TRUE(png->starts_with("\x89PNG"));
        Decoded picture = decode(*png);
        ASSERT_EQ(picture.width, 480);
        ASSERT_EQ(picture.height, 240);
        for (int y : {0, 120, 239}) {
            for (int x : {0, 479}) EXPECT_EQ(picture.at(x, y), blue) << "scale " << scale << " at " << x << "," << y;
        }
    }
}

TEST(TexturePNG, AnAreaOutsideThePictureOrNoWidthGivesNothing) {
    GdkTexture* texture = barredTexture(1);
    EXPECT_FALSE(TexturePNG::cropped(texture, {0, 400, 400, 100, 480}, 1).has_value());
    EXPECT_FALSE(TexturePNG::cropped(texture, {0, 0, 400, 300, 0}, 1).has_value());
    EXPECT_FALSE(TexturePNG::cropped(texture, {0, 0, 400, 300, 480}, 0).has_value());
    EXPECT_FALSE(TexturePNG::cropped(nullptr, {0, 0, 400, 300, 480}, 1).has_value());
    // Partly outside: clipped to what there is.
    auto clipped = TexturePNG::cropped(texture, {0, 250, 400, 200, 400}, 1);
    ASSERT_TRUE(clipped.has_value());
    EXPECT_EQ(decode(*clipped).height, 50);
    g_object_unref(texture);
}

}  // namespace
}  // namespace velk
