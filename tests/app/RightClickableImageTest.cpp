#include "app/AboutWindow.h"
#include "app/EmbeddedImages.h"
#include "app/Pellam.h"
#include "app/RightClickableImage.h"
#include "device/UpdateState.h"
#include "tests/support/GuiTestSupport.h"

#include <gtest/gtest.h>

namespace zarvel
{
namespace
{

using test::ModalDriver;

class QuitCountingPellam : public Pellam
{
public:
    int quitRequests = 0;

protected:
    void requestQuit() override    { ++quitRequests; }
};

juce::MouseEvent pressOn (juce::Component& component, juce::ModifierKeys mods)
{
    const juce::Point<float> position (10.0f, 10.0f);
    const auto now = juce::Time::getCurrentTime();

    return { juce::Desktop::getInstance().getMainMouseSource(), position, mods,
             juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
             juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
             juce::MouseInputSource::defaultTiltY, &component, &component, now, position, now, 1, false };
}

const juce::ModifierKeys rightButton { juce::ModifierKeys::rightButtonModifier };

// The open menu's window, when a menu is open.
juce::Component* openMenu()
{
    auto* modal = juce::Component::getCurrentlyModalComponent();
    return modal != nullptr && dynamic_cast<juce::DialogWindow*> (modal) == nullptr ? modal : nullptr;
}

// Picks a menu item with the keyboard: the menu is built with "About..." first and
// "Exit..." last, so Down from no selection reaches the first, Up the last.
std::function<bool()> chooseWith (int keyCode)
{
    return [keyCode]
    {
        auto* menu = openMenu();

        if (menu == nullptr)
            return false;

        menu->keyPressed (juce::KeyPress (keyCode));
        menu->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
        return true;
    };
}

class RightClickableImageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (! test::hasDisplay())
            GTEST_SKIP() << "needs an X display";
    }

    static juce::Image background()
    {
        Pellam::registerImages();
        return getEmbeddedImage (backgroundImageId);
    }

    ~RightClickableImageTest() override    { updateRunning = 0; }

    QuitCountingPellam application;
    RightClickableImage image { background() };
};

TEST_F (RightClickableImageTest, TakesThePicturesSize)
{
    EXPECT_EQ (image.getBounds(), juce::Rectangle<int> (0, 0, 550, 371));
}

TEST_F (RightClickableImageTest, OtherButtonsDoNothing)
{
    bool menuSeen = false;
    const ModalDriver driver ([&]
    {
        menuSeen = menuSeen || juce::Component::getCurrentlyModalComponent() != nullptr;
        juce::PopupMenu::dismissAllActiveMenus();
        return false;
    }, 2000);

    image.mouseDown (pressOn (image, juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier)));
    image.mouseDown (pressOn (image, juce::ModifierKeys (juce::ModifierKeys::middleButtonModifier)));
    image.mouseDown (pressOn (image, juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier
                                                         | juce::ModifierKeys::shiftModifier)));

    EXPECT_FALSE (menuSeen);
    EXPECT_EQ (application.quitRequests, 0);
}

TEST_F (RightClickableImageTest, DismissedMenuDoesNothing)
{
    bool menuSeen = false;
    const ModalDriver driver ([&]
    {
        if (openMenu() == nullptr)
            return false;

        menuSeen = true;
        juce::PopupMenu::dismissAllActiveMenus();
        return true;
    });

    image.mouseDown (pressOn (image, rightButton));

    EXPECT_TRUE (menuSeen);
    EXPECT_FALSE (driver.hasTimedOut());
    EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);
    EXPECT_EQ (application.quitRequests, 0);
}

TEST_F (RightClickableImageTest, ExitDoesNothingWhileAnUploadRunsAndQuitsOnceItEnded)
{
    updateRunning = 1;
    {
        const ModalDriver driver (chooseWith (juce::KeyPress::upKey));
        image.mouseDown (pressOn (image, rightButton));
        ASSERT_TRUE (driver.isFinished());
        EXPECT_FALSE (driver.hasTimedOut());
    }
    EXPECT_EQ (application.quitRequests, 0);
    EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);

    updateRunning = 0;
    {
        // With modifier keys held the right button still opens the menu.
        const ModalDriver driver (chooseWith (juce::KeyPress::upKey));
        image.mouseDown (pressOn (image, rightButton.withFlags (juce::ModifierKeys::shiftModifier)));
        ASSERT_TRUE (driver.isFinished());
    }
    EXPECT_EQ (application.quitRequests, 1);
}

TEST_F (RightClickableImageTest, AboutOpensTheAboutBoxUntilItIsClosed)
{
    juce::String aboutTitle;
    bool aboutClosed = false;
    bool menuChosen = false;

    const ModalDriver driver ([&]
    {
        if (! menuChosen)
        {
            menuChosen = chooseWith (juce::KeyPress::downKey)();
            return false;
        }

        auto* about = dynamic_cast<AboutWindow*> (juce::Component::getCurrentlyModalComponent());

        if (about == nullptr || ! about->isShowing())
            return false;

        aboutTitle = about->getName();
        about->getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::escapeKey));
        aboutClosed = true;
        return true;
    });

    image.mouseDown (pressOn (image, rightButton));

    EXPECT_FALSE (driver.hasTimedOut());
    EXPECT_TRUE (aboutClosed);
    EXPECT_EQ (aboutTitle, "About Zarvel Firmware Updater...");
    EXPECT_EQ (application.quitRequests, 0);
    EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);
}

} // namespace
} // namespace zarvel
