// The icon files that the build embeds and installs, read as the Windows resource compiler and
// the desktop read them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& relativePath) {
    std::ifstream file(std::string(SECANT_ROOT_SOURCE_DIR) + "/" + relativePath, std::ios::binary);
    EXPECT_TRUE(file.good()) << relativePath;
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

std::uint32_t Little(const Bytes& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
    return value;
}

std::uint32_t Big32(const Bytes& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | bytes.at(at + i);
    return value;
}

struct IconImage {
    int size;
    int bitsPerPixel;
    int colours;
};

// The icon group that the Windows executable embeds as identifier 1: exactly these three images,
// each an uncompressed BMP entry (older resource compilers and Windows versions reject PNG
// entries) with its colour table, colour bits and transparency mask.
TEST(IconFile, HoldsExactlyTheThreeBmpImagesInOrder) {
    const Bytes ico = ReadFile("shell/icons/secant-root.ico");
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(Little(ico, 0, 2), 0u);  // reserved
    EXPECT_EQ(Little(ico, 2, 2), 1u);  // an icon, not a cursor
    ASSERT_EQ(Little(ico, 4, 2), 3u);

    const IconImage expected[] = {{32, 4, 16}, {16, 4, 16}, {32, 1, 2}};
    std::size_t end = 6 + 16 * 3;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const IconImage& image = expected[i];
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
        EXPECT_EQ(ico.at(entry + 0), image.size);
        EXPECT_EQ(ico.at(entry + 1), image.size);
        EXPECT_EQ(ico.at(entry + 2), image.colours);
        EXPECT_EQ(ico.at(entry + 3), 0);
        EXPECT_EQ(Little(ico, entry + 4, 2), 1u);  // planes
        EXPECT_EQ(Little(ico, entry + 6, 2), static_cast<std::uint32_t>(image.bitsPerPixel));
        const std::uint32_t length = Little(ico, entry + 8, 4);
        const std::uint32_t offset = Little(ico, entry + 12, 4);
        EXPECT_EQ(offset, end);  // entries follow one another without gaps or overlaps
        ASSERT_LE(offset + length, ico.size());
        end = offset + length;

        // BITMAPINFOHEADER; the height counts the colour bits and the mask.
        EXPECT_EQ(Little(ico, offset, 4), 40u);
        EXPECT_EQ(Little(ico, offset + 4, 4), static_cast<std::uint32_t>(image.size));
        EXPECT_EQ(Little(ico, offset + 8, 4), static_cast<std::uint32_t>(2 * image.size));
        EXPECT_EQ(Little(ico, offset + 12, 2), 1u);
        EXPECT_EQ(Little(ico, offset + 14, 2), static_cast<std::uint32_t>(image.bitsPerPixel));
        EXPECT_EQ(Little(ico, offset + 16, 4), 0u);  // BI_RGB: uncompressed
        const auto rowBytes = [&](int bits) { return ((image.size * bits + 31) / 32) * 4; };
        const std::uint32_t pixels =
            static_cast<std::uint32_t>(image.size * (rowBytes(image.bitsPerPixel) + rowBytes(1)));
        EXPECT_EQ(length, 40u + 4u * static_cast<std::uint32_t>(image.colours) + pixels);
    }
    EXPECT_EQ(end, ico.size());
}

// The desktop finds an icon of the hicolor theme by the directory named after its size.
TEST(IconFile, HicolorImagesHaveTheSizeTheirDirectoryNames) {
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string dir = std::to_string(size) + "x" + std::to_string(size);
        SCOPED_TRACE(dir);
        const Bytes png = ReadFile("shell/icons/hicolor/" + dir + "/apps/secant-root.png");
        ASSERT_GE(png.size(), 29u);
        EXPECT_THAT(Bytes(png.begin(), png.begin() + 8),
                    ::testing::ElementsAre(0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'));
        EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
        EXPECT_EQ(Big32(png, 16), static_cast<std::uint32_t>(size));
        EXPECT_EQ(Big32(png, 20), static_cast<std::uint32_t>(size));
        EXPECT_EQ(png.at(25), 6);  // RGBA: transparent around the rounded frame
    }
}

}  // namespace
