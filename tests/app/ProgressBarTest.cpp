#include "app/ProgressBar.h"
#include "tests/support/GuiTestSupport.h"

#include <gtest/gtest.h>

namespace zarvel
{
namespace
{

using test::pumpFor;
using test::pumpUntil;

// Counts the bar's repaint requests: JUCE hands each one to the cached image.
class RepaintCounter : public juce::CachedComponentImage
{
public:
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override                                  { ++count; return false; }
    bool invalidate (const juce::Rectangle<int>&) override         { ++count; return false; }
    void releaseResources() override {}

    int count = 0;
};

// The width of the drawn bar, found by where the foreground colour ends on the middle row.
int filledWidth (ProgressBar& bar)
{
    const auto shot = bar.createComponentSnapshot (bar.getLocalBounds(), true, 1.0f);
    const auto foreground = bar.findColour (juce::ProgressBar::foregroundColourId);
    const auto y = shot.getHeight() / 2;
    int width = 0;

    for (int x = 0; x < shot.getWidth(); ++x)
        if (shot.getPixelAt (x, y) == foreground)
            width = x + 1;

    return width;
}

class ProgressBarTest : public ::testing::Test
{
protected:
    std::atomic<double> value { 0.0 };
};

TEST_F (ProgressBarTest, IsNamedApartFromJuceProgressBars)
{
    const ProgressBar bar (value);
    EXPECT_EQ (bar.getName(), "_progressbar_");
}

TEST_F (ProgressBarTest, DrawsTheInitialClampedValueAtOnce)
{
    struct Case { double watched; double shown; int minWidth; int maxWidth; };

    for (const auto& c : { Case { 0.5, 0.5, 95, 105 }, Case { 1.7, 1.0, 190, 200 }, Case { -3.0, 0.0, 0, 0 } })
    {
        value = c.watched;
        ProgressBar bar (value);
        bar.setSize (200, 20);

        EXPECT_EQ (bar.getShownValue(), c.shown);

        const auto width = filledWidth (bar);
        EXPECT_GE (width, c.minWidth) << "watched " << c.watched;
        EXPECT_LE (width, c.maxWidth) << "watched " << c.watched;
    }
}

TEST_F (ProgressBarTest, RepaintsOnceForSeveralChangesBetweenTicks)
{
    value = 0.2;
    ProgressBar bar (value);
    bar.setSize (200, 20);
    bar.setVisible (true);

    auto* counter = new RepaintCounter();
    bar.setCachedComponentImage (counter);
    counter->count = 0;

    // No change, no repaint, however many ticks pass.
    pumpFor (350);
    EXPECT_EQ (counter->count, 0);
    EXPECT_EQ (bar.getShownValue(), 0.2);

    value = 0.3;
    value = 0.4;
    value = 0.6;

    ASSERT_TRUE (pumpUntil ([&] { return counter->count > 0; }));
    pumpFor (350);

    EXPECT_EQ (counter->count, 1);
    EXPECT_EQ (bar.getShownValue(), 0.6);
}

TEST_F (ProgressBarTest, ClampsValuesOutOfRange)
{
    ProgressBar bar (value);
    bar.setSize (200, 20);

    value = 4.0;
    ASSERT_TRUE (pumpUntil ([&] { return bar.getShownValue() > 0.0; }));
    EXPECT_EQ (bar.getShownValue(), 1.0);
    EXPECT_GE (filledWidth (bar), 190);

    value = -0.5;
    ASSERT_TRUE (pumpUntil ([&] { return bar.getShownValue() < 1.0; }));
    EXPECT_EQ (bar.getShownValue(), 0.0);
    EXPECT_EQ (filledWidth (bar), 0);
}

TEST_F (ProgressBarTest, FollowsWhileHidden)
{
    ProgressBar bar (value);
    value = 0.25;

    ASSERT_TRUE (pumpUntil ([&] { return bar.getShownValue() > 0.0; }));
    EXPECT_EQ (bar.getShownValue(), 0.25);
}

} // namespace
} // namespace zarvel
