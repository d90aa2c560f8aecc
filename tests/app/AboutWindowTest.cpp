#include "app/AboutWindow.h"
#include "app/EmbeddedImages.h"
#include "app/ImageComponent.h"
#include "app/Pellam.h"
#include "tests/support/GuiTestSupport.h"

#include <gtest/gtest.h>

namespace zarvel
{
namespace
{

using test::ModalDriver;

struct Seen
{
    bool shown = false;
    juce::Rectangle<int> bounds;
    juce::String title;
    bool resizable = true;
    juce::Component* content = nullptr;
    juce::Rectangle<int> contentBounds;
};

// Runs the box; once it is shown and modal, notes what it looks like and then
// closes it with `close`.
Seen runAndClose (AboutWindow& about, const std::function<void()>& close, int& result)
{
    Seen seen;

    const ModalDriver driver ([&]
    {
        if (! (about.isCurrentlyModal() && about.isShowing()))
            return false;

        seen.shown = true;
        seen.bounds = about.getBounds();
        seen.title = about.getName();
        seen.resizable = about.isResizable();
        seen.content = about.getContentComponent();
        seen.contentBounds = seen.content != nullptr ? seen.content->getBounds() : juce::Rectangle<int>();
        close();
        return true;
    });

    result = about.runModal();
    EXPECT_FALSE (driver.hasTimedOut());
    return seen;
}

void pressEscape (juce::Component& window)
{
    // Into the window's peer, as a key press from the windowing system arrives.
    ASSERT_NE (window.getPeer(), nullptr);
    window.getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::escapeKey));
}

juce::Point<int> screenCentre()
{
    return juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea.getCentre();
}

void expectLabels (juce::Component& content)
{
    struct Row { const char* name; const char* text; juce::Rectangle<int> bounds; };
    const Row rows[] =
    {
        { "",                     "Zarvel Firmware Updater",     { 120,  45, 250, 20 } },
        { "Application Version:", "Application Version : 2.01", { 120,  70, 250, 20 } },
        { "Firmware Version:",    "Firmware Version: 1.31",     { 120,  95, 300, 20 } },
    };

    ASSERT_EQ (content.getNumChildComponents(), 4);

    for (int i = 0; i < 4; ++i)
    {
        auto* label = dynamic_cast<juce::Label*> (content.getChildComponent (i));
        ASSERT_NE (label, nullptr) << "row " << i;

        if (i < 3)
        {
            EXPECT_EQ (label->getName(), rows[i].name);
            EXPECT_EQ (label->getText(), rows[i].text);
            EXPECT_EQ (label->getBounds(), rows[i].bounds);
        }
        else
        {
            EXPECT_EQ (label->getName(), juce::String());
            EXPECT_TRUE (label->getText().contains ("2026"));
            EXPECT_TRUE (label->getText().contains ("Zarvel Firmware Updater authors"));
            EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (120, 120, 400, 20));
        }

        EXPECT_TRUE (label->isVisible());
        EXPECT_FALSE (label->isEditable());
        EXPECT_EQ (label->getFont().getHeight(), 18.0f);
        EXPECT_FALSE (label->getFont().isBold());
        EXPECT_EQ (label->findColour (juce::Label::textColourId), juce::Colour (0xfffaebd7));
        EXPECT_EQ (label->findColour (juce::Label::backgroundColourId).getAlpha(), 0);
        EXPECT_EQ (label->findColour (juce::Label::outlineColourId).getAlpha(), 0);
    }
}

class AboutWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (! test::hasDisplay())
            GTEST_SKIP() << "needs an X display";
    }

    void TearDown() override    { clearEmbeddedImages(); }
};

TEST_F (AboutWindowTest, WithThePictureAndClosedByEscape)
{
    Pellam::registerImages();
    AboutWindow about;

    EXPECT_EQ (about.getContentComponent(), nullptr);

    int result = -1;
    const auto seen = runAndClose (about, [&] { pressEscape (about); }, result);

    ASSERT_TRUE (seen.shown);
    EXPECT_EQ (result, 0);
    EXPECT_FALSE (about.isVisible());
    EXPECT_EQ (seen.title, "About Zarvel Firmware Updater...");
    EXPECT_EQ (seen.bounds.getWidth(), 436);
    EXPECT_EQ (seen.bounds.getHeight(), 224);
    EXPECT_LE (seen.bounds.getCentre().getDistanceFrom (screenCentre()), 1);
    EXPECT_FALSE (seen.resizable);
    EXPECT_NE (dynamic_cast<ImageComponent*> (seen.content), nullptr);
    EXPECT_EQ (seen.contentBounds, juce::Rectangle<int> (3, 31, 430, 190));

    ASSERT_NE (about.getContentComponent(), nullptr);
    expectLabels (*about.getContentComponent());
}

TEST_F (AboutWindowTest, WithoutThePicture)
{
    // No registration, and no "Resources/About.png" where the fallback would look.
    const test::ScratchFolder scratch;
    scratch.get().setAsCurrentWorkingDirectory();

    AboutWindow about;
    int result = -1;
    const auto seen = runAndClose (about, [&] { pressEscape (about); }, result);

    ASSERT_TRUE (seen.shown);
    EXPECT_EQ (result, 0);
    EXPECT_EQ (seen.title, "About Zarvel Firmware Updater...");
    EXPECT_EQ (seen.bounds.getWidth(), 300);
    EXPECT_EQ (seen.bounds.getHeight(), 200);
    EXPECT_LE (seen.bounds.getCentre().getDistanceFrom (screenCentre()), 1);
    EXPECT_EQ (dynamic_cast<ImageComponent*> (seen.content), nullptr);

    ASSERT_NE (about.getContentComponent(), nullptr);
    expectLabels (*about.getContentComponent());
}

TEST_F (AboutWindowTest, CloseButtonEndsTheRunAndTheBoxCanRunAgain)
{
    Pellam::registerImages();
    AboutWindow about;

    for (int run = 0; run < 2; ++run)
    {
        int result = -1;
        const auto seen = runAndClose (about, [&]
        {
            // JUCE enables an inactive window's title-bar buttons only once it is
            // active again, which a bare X server leaves to a click of the user's.
            about.getCloseButton()->setEnabled (true);
            about.getCloseButton()->triggerClick();
        }, result);

        ASSERT_TRUE (seen.shown) << "run " << run;
        EXPECT_EQ (result, 0);
        EXPECT_FALSE (about.isVisible());
        ASSERT_NE (about.getContentComponent(), nullptr);
        expectLabels (*about.getContentComponent());
    }
}

TEST_F (AboutWindowTest, RunModalReturnsTheValueTheRunEndedWith)
{
    ModalDialog dialog ("Plain", juce::Colours::grey, true);

    const ModalDriver driver ([&]
    {
        if (! dialog.isCurrentlyModal())
            return false;

        EXPECT_EQ (dialog.getWidth(), 300);
        EXPECT_EQ (dialog.getHeight(), 200);
        EXPECT_NE (dialog.getContentComponent(), nullptr);
        dialog.exitModalState (7);
        return true;
    });

    EXPECT_EQ (dialog.runModal(), 7);
    EXPECT_FALSE (driver.hasTimedOut());
}

} // namespace
} // namespace zarvel
