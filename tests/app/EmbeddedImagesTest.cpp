// The resources directory is taken once per process: these tests rely on running
// one process per test, as ctest does here.

#include "app/CarriedPictures.h"
#include "app/EmbeddedImages.h"
#include "app/Pellam.h"
#include "tests/support/GuiTestSupport.h"

#include <gtest/gtest.h>

namespace zarvel
{
namespace
{

using test::ScratchFolder;
using test::solidImage;
using test::writePng;

class EmbeddedImagesTest : public ::testing::Test
{
protected:
    ~EmbeddedImagesTest() override    { clearEmbeddedImages(); }

    // "<folder>/Resources/<name>" with a picture of the given size.
    static void putFallback (const juce::File& folder, const juce::String& name, int width, int height)
    {
        ASSERT_TRUE (writePng (solidImage (width, height, juce::Colours::orange),
                               folder.getChildFile ("Resources").getChildFile (name)));
    }

    ScratchFolder scratch;
};

TEST_F (EmbeddedImagesTest, CarriedPicturesDecodeWithoutReadingTheWorkingDirectory)
{
    Pellam::registerImages();

    const auto background = getEmbeddedImage (backgroundImageId);
    const auto about = getEmbeddedImage (aboutImageId);

    ASSERT_TRUE (background.isValid());
    EXPECT_EQ (background.getWidth(), 550);
    EXPECT_EQ (background.getHeight(), 371);
    ASSERT_TRUE (about.isValid());
    EXPECT_EQ (about.getWidth(), 431);
    EXPECT_EQ (about.getHeight(), 191);

    EXPECT_FALSE (getEmbeddedImage (1).isValid());

    // Had any call above fallen back, the resources directory would be the old
    // working directory's, and this probe in a new one would not be found.
    scratch.get().setAsCurrentWorkingDirectory();
    putFallback (scratch.get(), "Probe.png", 3, 2);
    registerEmbeddedImage (9, "Probe.png", 0, nullptr);

    const auto probe = getEmbeddedImage (9);
    ASSERT_TRUE (probe.isValid());
    EXPECT_EQ (probe.getWidth(), 3);
    EXPECT_EQ (Pellam::getResourcesDirectory(), scratch.get().getFullPathName() + "/Resources/");
}

TEST_F (EmbeddedImagesTest, RegistersTheBytesCarried)
{
    Pellam::registerImages();

    const auto* background = findEmbeddedImage (backgroundImageId);
    const auto* about = findEmbeddedImage (aboutImageId);

    ASSERT_NE (background, nullptr);
    ASSERT_NE (about, nullptr);
    EXPECT_EQ (background->name, "Zarvel.png");
    EXPECT_EQ (background->size, backgroundPictureSize);
    EXPECT_EQ (background->data, static_cast<const void*> (backgroundPicture));
    EXPECT_EQ (about->name, "About.png");
    EXPECT_EQ (about->size, aboutPictureSize);
    EXPECT_EQ (about->data, static_cast<const void*> (aboutPicture));
    EXPECT_EQ (findEmbeddedImage (1), nullptr);

    // A PNG ends with its IEND chunk: the count covers the whole file and no more.
    const juce::uint8 iend[] = { 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82 };
    EXPECT_EQ (std::memcmp (backgroundPicture + backgroundPictureSize - 8, iend, 8), 0);
    EXPECT_EQ (std::memcmp (aboutPicture + aboutPictureSize - 8, iend, 8), 0);
}

TEST_F (EmbeddedImagesTest, EveryCallDecodesAPictureOfItsOwn)
{
    Pellam::registerImages();

    auto first = getEmbeddedImage (aboutImageId);
    const auto second = getEmbeddedImage (aboutImageId);
    const auto original = second.getPixelAt (200, 100);

    first.clear (first.getBounds(), juce::Colours::red);

    EXPECT_EQ (second.getPixelAt (200, 100), original);
    EXPECT_NE (second.getPixelAt (200, 100), juce::Colours::red);
}

TEST_F (EmbeddedImagesTest, ASecondRegistrationOfAnIdIsIgnored)
{
    Pellam::registerImages();
    const juce::uint8 garbage[] = { 1, 2, 3, 4 };
    registerEmbeddedImage (backgroundImageId, "Other.png", (int) sizeof (garbage), garbage);

    const auto* record = findEmbeddedImage (backgroundImageId);
    ASSERT_NE (record, nullptr);
    EXPECT_EQ (record->name, "Zarvel.png");
    EXPECT_EQ (record->size, backgroundPictureSize);
    EXPECT_EQ (getEmbeddedImage (backgroundImageId).getWidth(), 550);

    // The fallback name stays the first one's too.
    scratch.get().setAsCurrentWorkingDirectory();
    putFallback (scratch.get(), "First.png", 4, 4);
    putFallback (scratch.get(), "Second.png", 8, 8);
    registerEmbeddedImage (5, "First.png", 0, nullptr);
    registerEmbeddedImage (5, "Second.png", 0, nullptr);
    EXPECT_EQ (getEmbeddedImage (5).getWidth(), 4);

    // An id never asked for before registers like any other.
    EXPECT_FALSE (getEmbeddedImage (1).isValid());
    registerEmbeddedImage (1, "First.png", 0, nullptr);
    EXPECT_EQ (getEmbeddedImage (1).getWidth(), 4);
}

TEST_F (EmbeddedImagesTest, UndecodableOrEmptyBytesFallBackToResourcesTakenOnce)
{
    ScratchFolder other;
    putFallback (scratch.get(), "Fallback.png", 7, 5);
    putFallback (other.get(), "Elsewhere.png", 6, 6);

    const juce::uint8 garbage[] = { 0x89, 'P', 'N', 'G', 0, 0, 0, 0, 1, 2, 3 };
    registerEmbeddedImage (10, "Fallback.png", 0, garbage);
    registerEmbeddedImage (11, "Fallback.png", (int) sizeof (garbage), garbage);
    registerEmbeddedImage (12, "Elsewhere.png", 0, nullptr);
    registerEmbeddedImage (13, "Missing.png", 0, nullptr);
    registerEmbeddedImage (14, "Missing.png", (int) sizeof (garbage), garbage);

    scratch.get().setAsCurrentWorkingDirectory();

    const auto empty = getEmbeddedImage (10);
    const auto undecodable = getEmbeddedImage (11);
    ASSERT_TRUE (empty.isValid());
    ASSERT_TRUE (undecodable.isValid());
    EXPECT_EQ (empty.getWidth(), 7);
    EXPECT_EQ (empty.getHeight(), 5);
    EXPECT_EQ (undecodable.getWidth(), 7);
    EXPECT_FALSE (getEmbeddedImage (13).isValid());
    EXPECT_FALSE (getEmbeddedImage (14).isValid());

    // The folder was fixed by the first fallback: moving does not move it.
    other.get().setAsCurrentWorkingDirectory();
    EXPECT_FALSE (getEmbeddedImage (12).isValid());
    EXPECT_EQ (getEmbeddedImage (10).getWidth(), 7);
    EXPECT_EQ (Pellam::getResourcesDirectory(), scratch.get().getFullPathName() + "/Resources/");
}

// JUCE's PNG reader on Debian crashes on these; they must fall back instead.
TEST_F (EmbeddedImagesTest, DamagedPngBytesFallBackWithoutCrashing)
{
    juce::Image pattern (juce::Image::ARGB, 64, 64, false);
    juce::Random random (7);

    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            pattern.setPixelAt (x, y, juce::Colour ((juce::uint32) random.nextInt() | 0xff000000u));

    juce::MemoryOutputStream png;
    ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (pattern, png));
    const juce::MemoryBlock whole (png.getData(), png.getDataSize());

    auto truncated = whole;
    truncated.setSize (whole.getSize() / 2);

    auto corrupted = whole;
    for (auto i = whole.getSize() / 2; i < whole.getSize() / 2 + 64; ++i)
        corrupted[(int) i] = (char) (corrupted[(int) i] ^ 0x5a);

    auto badSignature = whole;
    badSignature[5] = 0;

    ASSERT_TRUE (juce::ImageFileFormat::loadFrom (whole.getData(), whole.getSize()).isValid());

    putFallback (scratch.get(), "Fallback.png", 7, 5);
    ASSERT_TRUE (truncated.getSize() > 0 && scratch.get().getChildFile ("Resources/Damaged.png").replaceWithData (truncated.getData(), truncated.getSize()));
    scratch.get().setAsCurrentWorkingDirectory();

    int id = 20;
    for (const auto* bytes : { &truncated, &corrupted, &badSignature })
    {
        registerEmbeddedImage (++id, "Fallback.png", (int) bytes->getSize(), bytes->getData());
        EXPECT_EQ (getEmbeddedImage (id).getWidth(), 7) << "id " << id;
    }

    registerEmbeddedImage (30, "Damaged.png", 0, nullptr);
    EXPECT_FALSE (getEmbeddedImage (30).isValid());
}

TEST_F (EmbeddedImagesTest, ClearingEmptiesTheRegistry)
{
    Pellam::registerImages();
    clearEmbeddedImages();

    EXPECT_EQ (findEmbeddedImage (backgroundImageId), nullptr);
    EXPECT_FALSE (getEmbeddedImage (backgroundImageId).isValid());
    EXPECT_FALSE (getEmbeddedImage (aboutImageId).isValid());

    Pellam::registerImages();
    EXPECT_EQ (getEmbeddedImage (aboutImageId).getWidth(), 431);
}

} // namespace
} // namespace zarvel
