// Tests of the image buffer: clamping and bounds, the TGA bytes, and writers that
// fail without leaving a file behind.
#include "raytracer/Image.h"

#include <gtest/gtest.h>

#include <new>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;

Bytes ReadBytes(const std::string& sPath)
{
    std::ifstream file(sPath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

// The pixel, or (-7, -7, -7) when GetPixel leaves its outputs alone.
std::vector<int> Read(const CImage& image, int x, int y)
{
    int r = -7, g = -7, b = -7;
    image.GetPixel(x, y, r, g, b);
    return {r, g, b};
}
} // namespace

TEST(ImageTest, TgaBytesAreExact)
{
    CImage image(2, 1);
    image.SetPixel(0, 0, 255, 0, 0);
    image.SetPixel(1, 0, 0, 0, 255);
    ASSERT_TRUE(image.SaveTga("two-pixels.tga"));
    EXPECT_EQ(ReadBytes("two-pixels.tga"),
              (Bytes{0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02,
                     0x00, 0x01, 0x00, 0x20, 0x00, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00}));

    // Row 0 is written first: with the lower-left origin it is the bottom row.
    CImage column(1, 2);
    column.SetPixel(0, 0, 10, 20, 30);
    column.SetPixel(0, 1, 40, 50, 60);
    ASSERT_TRUE(column.SaveTga("rows.tga"));
    const Bytes bytes = ReadBytes("rows.tga");
    EXPECT_EQ(Bytes(bytes.begin() + 18, bytes.end()), (Bytes{30, 20, 10, 0, 60, 50, 40, 0}));
}

TEST(ImageTest, ChannelsAreClampedAndOutsidePointsIgnored)
{
    struct Case
    {
        int x, y, r, g, b;
        std::vector<int> expectedAt55;
    };
    const Case cases[] = {
        {5, 5, 300, -4, 128, {255, 0, 128}}, {5, 5, 0, 255, 256, {0, 255, 255}},
        {10, 0, 1, 1, 1, {9, 9, 9}},         {0, -1, 1, 1, 1, {9, 9, 9}},
        {-1, 5, 1, 1, 1, {9, 9, 9}},         {5, 10, 1, 1, 1, {9, 9, 9}},
    };
    for (const Case& c : cases)
    {
        CImage image(10, 10);
        image.Fill(9, 9, 9);
        image.SetPixel(c.x, c.y, c.r, c.g, c.b);
        EXPECT_EQ(Read(image, 5, 5), c.expectedAt55) << c.x << "," << c.y;
        EXPECT_EQ(Read(image, 0, 0), (std::vector<int>{9, 9, 9}));
    }
    CImage fresh(3, 3);
    EXPECT_EQ(Read(fresh, 1, 1), (std::vector<int>{2, 2, 2})); // the allocation fill
    for (const auto& p : {std::pair<int, int>{3, 0}, {0, 3}, {-1, 0}, {0, -1}})
        EXPECT_EQ(Read(fresh, p.first, p.second), (std::vector<int>{-7, -7, -7}));
}

TEST(ImageTest, ImagesWithoutBufferDoNothing)
{
    std::FILE* pFile = std::fopen("eighteen.raw", "wb");
    ASSERT_NE(pFile, nullptr);
    std::fwrite("123456789012345678", 1, 18, pFile);
    std::fclose(pFile);
    const std::pair<int, int> sizes[] = {{0, 5}, {5, 0}, {-3, -2}, {-1, 4}};
    for (const auto& size : sizes)
    {
        CImage image(size.first, size.second);
        EXPECT_FALSE(image.HasBuffer());
        image.Fill(1, 1, 1);
        image.SetPixel(0, 0, 1, 1, 1);
        EXPECT_EQ(Read(image, 0, 0), (std::vector<int>{-7, -7, -7}));
        std::remove("no-buffer.tga");
        EXPECT_FALSE(image.SaveTga("no-buffer.tga"));
        EXPECT_FALSE(image.SaveRaw("no-buffer.raw"));
        EXPECT_FALSE(std::filesystem::exists("no-buffer.tga"));
        EXPECT_FALSE(std::filesystem::exists("no-buffer.raw"));
        // -3 x -2 would make 18 pixel bytes: there is still nothing to read them into.
        EXPECT_EQ(image.LoadRaw("eighteen.raw", 0), 2);
        EXPECT_EQ(image.LoadRaw("eighteen.raw", 18), 0);
    }
}

// AddressSanitizer stops the program at an allocation larger than it supports
// instead of failing it.
#if defined(__SANITIZE_ADDRESS__)
#define VORL_HUGE_ALLOCATIONS_FAIL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORL_HUGE_ALLOCATIONS_FAIL 0
#endif
#endif
#ifndef VORL_HUGE_ALLOCATIONS_FAIL
#define VORL_HUGE_ALLOCATIONS_FAIL 1
#endif

TEST(ImageTest, PictureTooLargeForMemoryThrowsBadAlloc)
{
    if (!VORL_HUGE_ALLOCATIONS_FAIL)
        GTEST_SKIP() << "the sanitizer aborts huge allocations";
    EXPECT_THROW(CImage(0x7FFFFFFF, 0x7FFFFFFF), std::bad_alloc); // 1.4e19 bytes
}

TEST(ImageTest, FailedWritesReportFailureAndLeaveNoFile)
{
    CImage tooWide(65536, 1);
    tooWide.Fill(0, 0, 0);
    std::remove("too-wide.tga");
    EXPECT_FALSE(tooWide.SaveTga("too-wide.tga")); // the header holds 16-bit sizes
    EXPECT_FALSE(std::filesystem::exists("too-wide.tga"));
    CImage widest(65535, 1);
    widest.Fill(0, 0, 0);
    ASSERT_TRUE(widest.SaveTga("widest.tga"));
    const Bytes vWidest = ReadBytes("widest.tga");
    ASSERT_EQ(vWidest.size(), 18u + 4u * 65535u);
    EXPECT_EQ(Bytes(vWidest.begin() + 12, vWidest.begin() + 18), (Bytes{0xFF, 0xFF, 0x01, 0x00, 0x20, 0x00}));

    CImage image(8, 8);
    image.Fill(1, 2, 3);
    EXPECT_FALSE(image.SaveTga("no-such-folder/picture.tga"));
    EXPECT_FALSE(image.SaveRaw("no-such-folder/picture.raw"));
    // A device that accepts the open but no data: the failure shows at the write or
    // the close, and the clean-up must not remove the device.
    if (std::filesystem::exists("/dev/full"))
    {
        EXPECT_FALSE(image.SaveTga("/dev/full"));
        EXPECT_FALSE(image.SavePixels("/dev/full"));
        EXPECT_TRUE(std::filesystem::exists("/dev/full"));
    }
}

TEST(ImageTest, RawFilesRoundTrip)
{
    CImage image(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.SetPixel(x, y, 10 * x, 20 * y, x + y);
    ASSERT_TRUE(image.SaveRaw("round.raw"));
    ASSERT_TRUE(image.SavePixels("round.pix"));
    const Bytes raw = ReadBytes("round.raw");
    ASSERT_EQ(raw.size(), 8u + 18u);
    EXPECT_EQ(Bytes(raw.begin(), raw.begin() + 8), (Bytes{3, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(Bytes(raw.begin() + 8, raw.end()), ReadBytes("round.pix"));

    struct Case
    {
        const char* pPath;
        int nHeaderSize, iExpected;
    };
    const Case cases[] = {{"round.raw", 8, 0}, {"round.pix", 0, 0}, {"round.raw", 0, 2},
                          {"round.pix", 8, 2}, {"round.pix", -1, 2}, {"missing.raw", 0, 1}};
    for (const Case& c : cases)
    {
        CImage loaded(3, 2);
        loaded.Fill(0, 0, 0);
        EXPECT_EQ(loaded.LoadRaw(c.pPath, c.nHeaderSize), c.iExpected) << c.pPath << " " << c.nHeaderSize;
        EXPECT_EQ(Read(loaded, 2, 1), c.iExpected == 0 ? (std::vector<int>{20, 20, 3})
                                                       : (std::vector<int>{0, 0, 0}));
    }
}
