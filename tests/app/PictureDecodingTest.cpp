#include "app/CarriedPictures.h"
#include "app/EmbeddedImages.h"
#include "app/ImageComponent.h"
#include "app/Pellam.h"
#include "app/PictureDecoding.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/PixelComparison.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

namespace zarvel
{
namespace
{

using test::ScratchFolder;

juce::MemoryBlock carriedAbout()
{
    return { aboutPicture, (size_t) aboutPictureSize };
}

// JUCE's own reader is safe on intact bytes, so it can tell what they hold.
void expectReadAsJuceReadsIt (const void* data, size_t size)
{
    juce::MemoryInputStream in (data, size, false);
    const auto expected = juce::PNGImageFormat().decodeImage (in);
    ASSERT_TRUE (expected.isValid());
    EXPECT_EQ (test::describePixelDifference (decodePicture (data, size), expected), juce::String());
}

std::vector<png_byte> writtenByLibpng (png_uint_32 format, png_uint_32 width, png_uint_32 height,
                                       const png_byte* pixels, const png_byte* colormap = nullptr,
                                       png_uint_32 colormapEntries = 0)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = format;
    image.colormap_entries = colormapEntries;

    png_alloc_size_t size = 0;
    png_image_write_get_memory_size (image, size, 0, pixels, 0, colormap);
    std::vector<png_byte> file (size);
    EXPECT_NE (png_image_write_to_memory (&image, file.data(), &size, 0, pixels, 0, colormap), 0);
    file.resize (size);
    return file;
}

TEST (PictureDecodingTest, CarriedPicturesDecodeAsJucesOwnReaderReadsThem)
{
    expectReadAsJuceReadsIt (backgroundPicture, (size_t) backgroundPictureSize);
    expectReadAsJuceReadsIt (aboutPicture, (size_t) aboutPictureSize);
}

// Forms our own pictures never take, made by libpng's writer.
TEST (PictureDecodingTest, ReadsGreyPalettedOpaqueAndTransparentPicturesAsJuceDoes)
{
    const png_byte grey[] = { 0, 128, 255, 7 };
    const png_byte rgb[] = { 255, 0, 0,  0, 255, 0,  0, 0, 255,  10, 20, 30 };
    // Half-transparent and not saturated: premultiplied, the colour's bytes change.
    const png_byte rgba[] = { 200, 100, 50, 128,  0, 255, 0, 128,  0, 0, 255, 0,  200, 100, 50, 255 };
    const png_byte paletteIndices[] = { 1, 0, 2, 1 };
    const png_byte palette[] = { 0, 0, 0, 0,  40, 80, 120, 255,  90, 60, 30, 100 };

    const auto greyFile = writtenByLibpng (PNG_FORMAT_GRAY, 2, 2, grey);
    const auto rgbFile = writtenByLibpng (PNG_FORMAT_RGB, 2, 2, rgb);
    const auto rgbaFile = writtenByLibpng (PNG_FORMAT_RGBA, 2, 2, rgba);
    const auto palettedFile = writtenByLibpng (PNG_FORMAT_RGBA_COLORMAP, 2, 2, paletteIndices, palette, 3);

    for (auto* file : { &greyFile, &rgbFile, &rgbaFile, &palettedFile })
        expectReadAsJuceReadsIt (file->data(), file->size());
}

juce::MemoryBlock chunk (const char* type, const void* data, size_t size)
{
    juce::MemoryOutputStream out;
    out.writeIntBigEndian ((int) size);
    out.write (type, 4);
    out.write (data, size);
    const auto crc = crc32 (crc32 (0, reinterpret_cast<const Bytef*> (type), 4),
                            static_cast<const Bytef*> (data), (uInt) size);
    out.writeIntBigEndian ((int) crc);
    return out.getMemoryBlock();
}

TEST (PictureDecodingTest, PicturesOverFourThousandAndNinetySixPixelsASideAreNoPicture)
{
    const std::vector<png_byte> pixels (4097, 0x80);
    const auto widest = writtenByLibpng (PNG_FORMAT_GRAY, 4096, 1, pixels.data());
    const auto tooWide = writtenByLibpng (PNG_FORMAT_GRAY, 4097, 1, pixels.data());
    const auto tooHigh = writtenByLibpng (PNG_FORMAT_GRAY, 1, 4097, pixels.data());

    EXPECT_TRUE (decodePicture (widest.data(), widest.size()).isValid());
    EXPECT_FALSE (decodePicture (tooWide.data(), tooWide.size()).isValid());
    EXPECT_FALSE (decodePicture (tooHigh.data(), tooHigh.size()).isValid());

    // A header that claims a million by a million, then image data: refused before
    // its four terabytes are asked for, which would throw or abort.
    const juce::uint8 header[] = { 0, 0x0f, 0x42, 0x40,  0, 0x0f, 0x42, 0x40,  8, 6, 0, 0, 0 };
    const juce::uint8 someImageData[] = { 0x78, 0x9c, 0x63, 0, 0, 0, 1, 0, 1 };
    juce::MemoryOutputStream file;
    file.write (widest.data(), 8);
    file << chunk ("IHDR", header, sizeof (header)) << chunk ("IDAT", someImageData, sizeof (someImageData))
         << chunk ("IEND", nullptr, 0);

    EXPECT_FALSE (decodePicture (file.getData(), file.getDataSize()).isValid());
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
    // libpng only warns about an ancillary chunk's, unless told otherwise.
    add ("sBIT chunk's checksum flipped", [] (auto& b) { b[48] = (char) ~b[48]; });
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

    // The folder is fixed at its first use in a process: were this not it, no
    // fallback file would be read and the test would prove nothing.
    ASSERT_EQ (Pellam::getResourcesDirectory(), scratch.get().getFullPathName() + "/Resources/");

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
