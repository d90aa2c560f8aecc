#include "app/ImageComponent.h"
#include "tests/support/GuiTestSupport.h"

#include <gtest/gtest.h>

namespace zarvel
{
namespace
{

// Every pixel tells where it lies, so a moved or scaled picture shows.
juce::Image patternImage (int width, int height)
{
    juce::Image image (juce::Image::ARGB, width, height, false);

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelAt (x, y, juce::Colour ((juce::uint8) (x * 9), (juce::uint8) (y * 13), (juce::uint8) 200));

    return image;
}

juce::Image snapshot (juce::Component& component)
{
    return component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
}

TEST (ImageComponentTest, TakesThePicturesSize)
{
    const ImageComponent component (patternImage (550, 371));
    EXPECT_EQ (component.getBounds(), juce::Rectangle<int> (0, 0, 550, 371));
    EXPECT_EQ (component.getName(), juce::String());
    EXPECT_EQ (component.getNumChildComponents(), 0);
}

TEST (ImageComponentTest, PathConstructorLoadsTheFileOrStaysEmpty)
{
    const test::ScratchFolder scratch;
    const auto file = scratch.get().getChildFile ("picture.png");
    ASSERT_TRUE (test::writePng (patternImage (12, 7), file));

    const ImageComponent fromFile (file.getFullPathName());
    EXPECT_EQ (fromFile.getBounds(), juce::Rectangle<int> (0, 0, 12, 7));

    const ImageComponent missing (scratch.get().getChildFile ("missing.png").getFullPathName());
    EXPECT_EQ (missing.getBounds(), juce::Rectangle<int>());

    // Half a PNG file: no picture, and no crash in the decoder.
    juce::MemoryBlock bytes;
    ASSERT_TRUE (file.loadFileAsData (bytes));
    const auto damaged = scratch.get().getChildFile ("damaged.png");
    ASSERT_TRUE (damaged.replaceWithData (bytes.getData(), bytes.getSize() / 2));

    const ImageComponent fromDamaged (damaged.getFullPathName());
    EXPECT_EQ (fromDamaged.getBounds(), juce::Rectangle<int>());
}

TEST (ImageComponentTest, PaintsThePictureUnscaledFromTheTopLeft)
{
    const auto picture = patternImage (20, 10);

    for (const auto size : { juce::Point<int> (40, 30), juce::Point<int> (11, 6) })
    {
        ImageComponent component (picture);
        component.setBounds (5, 5, size.x, size.y);

        const auto shot = snapshot (component);
        ASSERT_EQ (shot.getWidth(), size.x);

        for (int y = 0; y < size.y; ++y)
        {
            for (int x = 0; x < size.x; ++x)
            {
                const auto expected = x < 20 && y < 10 ? picture.getPixelAt (x, y) : juce::Colours::transparentBlack;
                ASSERT_EQ (shot.getPixelAt (x, y).getARGB(), expected.getARGB()) << "at " << x << ", " << y
                                                                                  << " in " << size.x << " x " << size.y;
            }
        }
    }
}

TEST (ImageComponentTest, NullPictureKeepsNoSizeAndPaintsNothing)
{
    ImageComponent component { juce::Image() };
    EXPECT_EQ (component.getBounds(), juce::Rectangle<int>());

    component.sizeToImage();
    EXPECT_EQ (component.getBounds(), juce::Rectangle<int>());

    component.setSize (30, 20);
    const auto shot = snapshot (component);
    ASSERT_EQ (shot.getWidth(), 30);

    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ (shot.getPixelAt (x, y).getAlpha(), 0) << "at " << x << ", " << y;
}

TEST (ImageComponentTest, TwoComponentsShowTheSamePicture)
{
    const auto picture = patternImage (8, 8);
    ImageComponent first (picture);
    ImageComponent second (picture);

    EXPECT_EQ (snapshot (first).getPixelAt (7, 3), picture.getPixelAt (7, 3));
    EXPECT_EQ (snapshot (second).getPixelAt (7, 3), picture.getPixelAt (7, 3));
}

} // namespace
} // namespace zarvel
