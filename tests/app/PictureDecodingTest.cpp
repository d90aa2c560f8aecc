#include "app/CarriedPictures.h"
#include "app/EmbeddedImages.h"
#include "app/ImageComponent.h"
#include "app/PictureDecoding.h"
#include "tests/support/GuiTestSupport.h"

#include <gtest/gtest.h>
#include <png.h>

namespace zarvel
{
namespace
{

using test::ScratchFolder;

juce::MemoryBlock carriedAbout()
{
    return { aboutPicture, (size_t) aboutPictureSize };
}

void expectSamePixels (const juce::Image& actual, const juce::Image& expected)
{
    ASSERT_TRUE (actual.isValid());
    ASSERT_EQ (actual.getFormat(), expected.getFormat());
    ASSERT_EQ (actual.getBounds(), expected.getBounds());

    for (int y = 0; y < expected.getHeight(); ++y)
        for (int x = 0; x < expected.getWidth(); ++x)
            if (actual.getPixelAt (x, y) != expected.getPixelAt (x, y))
                FAIL() << "pixel " << x << ", " << y << ": " << actual.getPixelAt (x, y).toString()
                       << " instead of " << expected.getPixelAt (x, y).toString();
}

TEST (PictureDecodingTest, CarriedPicturesDecodeAsJucesOwnReaderReadsThem)
{
    // JUCE's reader is safe on these intact bytes, so it can tell what they hold.
    const std::pair<const void*, int> pictures[] = { { backgroundPicture, backgroundPictureSize },
                                                     { aboutPicture, aboutPictureSize } };

    for (auto [data, size] : pictures)
    {
        juce::MemoryInputStream in (data, (size_t) size, false);
        const auto expected = juce::PNGImageFormat().decodeImage (in);
        ASSERT_TRUE (expected.isValid());
        expectSamePixels (decodePicture (data, (size_t) size), expected);
    }
}

// Pixels made by libpng's writer in forms our own pictures never take.
TEST (PictureDecodingTest, ReadsGreyPalettedOpaqueAndTransparentPictures)
{
    const png_byte grey[] = { 0, 128, 255, 7 };
    const png_byte rgb[] = { 255, 0, 0,  0, 255, 0,  0, 0, 255,  10, 20, 30 };
    const png_byte rgba[] = { 255, 0, 0, 255,  0, 255, 0, 128,  0, 0, 255, 0,  200, 100, 50, 255 };
    const png_byte paletteIndices[] = { 1, 0, 1, 1 };
    const png_byte palette[] = { 0, 0, 0, 0,  40, 80, 120, 255 };

    struct Case { const char* what; png_uint_32 format; const png_byte* pixels; const png_byte* colormap;
                  int colormapEntries; juce::Image::PixelFormat expectedFormat; juce::uint32 expected[4]; };

    const Case cases[] = {
        { "grey", PNG_FORMAT_GRAY, grey, nullptr, 0, juce::Image::RGB,
          { 0xff000000, 0xff808080, 0xffffffff, 0xff070707 } },
        { "opaque", PNG_FORMAT_RGB, rgb, nullptr, 0, juce::Image::RGB,
          { 0xffff0000, 0xff00ff00, 0xff0000ff, 0xff0a141e } },
        { "transparent", PNG_FORMAT_RGBA, rgba, nullptr, 0, juce::Image::ARGB,
          { 0xffff0000, 0x8000ff00, 0x00000000, 0xffc86432 } },
        { "paletted", PNG_FORMAT_RGBA_COLORMAP, paletteIndices, palette, 2, juce::Image::ARGB,
          { 0xff285078, 0x00000000, 0xff285078, 0xff285078 } },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        png_image image {};
        image.version = PNG_IMAGE_VERSION;
        image.width = 2;
        image.height = 2;
        image.format = c.format;
        image.colormap_entries = (png_uint_32) c.colormapEntries;

        std::vector<png_byte> file (1024);
        png_alloc_size_t size = file.size();
        ASSERT_NE (png_image_write_to_memory (&image, file.data(), &size, 0, c.pixels, 0, c.colormap), 0);

        const auto decoded = decodePicture (file.data(), size);
        ASSERT_TRUE (decoded.isValid());
        EXPECT_EQ (decoded.getFormat(), c.expectedFormat);

        for (int i = 0; i < 4; ++i)
        {
            const auto pixel = decoded.getPixelAt (i % 2, i / 2);
            // Near enough: a half-transparent pixel goes through premultiplication.
            EXPECT_NEAR (pixel.getAlpha(), juce::Colour (c.expected[i]).getAlpha(), 1) << i;
            if (pixel.getAlpha() == 0xff)
                EXPECT_EQ (pixel.getARGB(), c.expected[i]) << i;
            else if (pixel.getAlpha() != 0)
                EXPECT_NEAR (pixel.getGreen(), juce::Colour (c.expected[i]).getGreen(), 2) << i;
        }
    }
}

// Ways a copy or a download leaves a picture file broken, and bytes that only look like PNG.
std::vector<std::pair<const char*, juce::MemoryBlock>> damagedCopies (const juce::MemoryBlock& whole)
{
    std::vector<std::pair<const char*, juce::MemoryBlock>> copies;
    auto add = [&] (const char* what, std::function<void (juce::MemoryBlock&)> damage)
    {
        auto bytes = whole;
        damage (bytes);
        copies.emplace_back (what, std::move (bytes));
    };

    const auto last = (int) whole.getSize() - 1;
    add ("end chunk's checksum flipped", [=] (auto& b) { b[last] = (char) ~b[last]; });
    add ("cut 12 bytes short",           [] (auto& b) { b.setSize (b.getSize() - 12); });
    add ("first byte zero",              [] (auto& b) { b[0] = 0; });
    add ("cut in the image data",        [] (auto& b) { b.setSize (b.getSize() / 2); });
    add ("image data changed",           [] (auto& b) { b[(int) b.getSize() / 2] ^= 0x20; });
    add ("header checksum flipped",      [] (auto& b) { b[29] = (char) ~b[29]; });
    add ("signature only",               [] (auto& b) { b.setSize (8); });
    add ("end chunk's type changed",     [=] (auto& b) { b[last - 6] = 'X'; });
    return copies;
}

TEST (PictureDecodingTest, DamagedPicturesAreNoPictureWhereverTheDamageLies)
{
    const ScratchFolder scratch;
    const auto file = scratch.get().getChildFile ("About.png");

    for (auto& [what, bytes] : damagedCopies (carriedAbout()))
    {
        SCOPED_TRACE (what);
        EXPECT_FALSE (decodePicture (bytes.getData(), bytes.getSize()).isValid());

        ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));
        juce::ImageCache::releaseUnusedImages();
        EXPECT_FALSE (loadCachedPicture (file).isValid());

        const ImageComponent component (file.getFullPathName());
        EXPECT_EQ (component.getBounds(), juce::Rectangle<int>());
    }

    EXPECT_FALSE (decodePicture (nullptr, 100).isValid());
    EXPECT_FALSE (decodePicture (aboutPicture, 0).isValid());
}

// JUCE's other readers are not safe either (its GIF reader reads before its
// buffer on any GIF): our pictures are PNG, and nothing else is decoded.
TEST (PictureDecodingTest, OtherFormatsAreNoPicture)
{
    const juce::uint8 gif[] = { 0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x02, 0x00, 0x02, 0x00, 0xf0, 0x00,
                                0x00, 0x33, 0x66, 0xcc, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00,
                                0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00,
                                0x00, 0x02, 0x02, 0x84, 0x51, 0x00, 0x3b };

    juce::MemoryOutputStream jpeg;
    ASSERT_TRUE (juce::JPEGImageFormat().writeImageToStream (test::solidImage (8, 8, juce::Colours::red), jpeg));

    const ScratchFolder scratch;
    const auto file = scratch.get().getChildFile ("About.png");

    for (const auto& bytes : { juce::MemoryBlock (gif, sizeof (gif)), jpeg.getMemoryBlock() })
    {
        EXPECT_FALSE (decodePicture (bytes.getData(), bytes.getSize()).isValid());

        ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));
        juce::ImageCache::releaseUnusedImages();
        EXPECT_FALSE (loadCachedPicture (file).isValid());
    }
}

TEST (PictureDecodingTest, DamagedCarriedBytesAndDamagedFallbackGiveNoPicture)
{
    const ScratchFolder scratch;
    const auto copies = damagedCopies (carriedAbout());
    const auto& [what, fallback] = copies.front();
    ASSERT_TRUE (scratch.get().getChildFile ("Resources").createDirectory());
    ASSERT_TRUE (scratch.get().getChildFile ("Resources/About.png").replaceWithData (fallback.getData(), fallback.getSize()));
    scratch.get().setAsCurrentWorkingDirectory();

    int id = 100;
    for (auto& [copyWhat, bytes] : copies)
    {
        SCOPED_TRACE (copyWhat);
        registerEmbeddedImage (++id, "About.png", (int) bytes.getSize(), bytes.getData());
        EXPECT_FALSE (getEmbeddedImage (id).isValid());
    }

    clearEmbeddedImages();
}

TEST (PictureDecodingTest, AFallbackFileIsDecodedOnceAndShared)
{
    const ScratchFolder scratch;
    const auto file = scratch.get().getChildFile ("About.png");
    const auto bytes = carriedAbout();
    ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));

    const auto first = loadCachedPicture (file);
    const auto second = loadCachedPicture (file);
    ASSERT_TRUE (first.isValid());
    EXPECT_EQ (first.getWidth(), 431);
    EXPECT_EQ (first.getPixelData(), second.getPixelData());
}

} // namespace
} // namespace zarvel
