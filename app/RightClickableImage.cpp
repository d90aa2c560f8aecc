#include "app/RightClickableImage.h"

#include "app/AboutWindow.h"
#include "app/Pellam.h"

namespace zarvel
{

namespace
{
    enum MenuItem
    {
        aboutItem = 1,
        exitItem = 2
    };
}

RightClickableImage::RightClickableImage (const juce::Image& picture)
    : ImageComponent (picture)
{
}

RightClickableImage::~RightClickableImage() = default;

void RightClickableImage::mouseDown (const juce::MouseEvent& e)
{
    if (! e.mods.isRightButtonDown())
        return;

    juce::PopupMenu menu;
    menu.addItem (aboutItem, "About...", true, false);
    menu.addSeparator();
    menu.addItem (exitItem, "Exit...", true, false);

    switch (menu.show (0))
    {
        case aboutItem:
        {
            AboutWindow about;
            about.runModal();
            break;
        }

        case exitItem:
            if (auto* application = Pellam::getInstance())
                application->quitIfIdle();
            break;

        default:
            break;
    }
}

} // namespace zarvel
