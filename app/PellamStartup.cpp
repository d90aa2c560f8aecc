#include "app/Pellam.h"

#include "app/PellamWindow.h"
#include "app/XEventQueueWatch.h"
#include "device/IFlashProgrammerIO.h"

namespace zarvel
{

void Pellam::initialise (const juce::String&)
{
    registerImages();

    // Before any window: its first repaint must not wait either.
    xEventQueueWatch = std::make_unique<XEventQueueWatch>();

    mainWindow = createMainWindow().release();
    mainWindow->setVisible (true);
}

void Pellam::shutdown()
{
    // Also called in a copy that the single-instance lock refused, which never
    // ran initialise: then there is nothing here to release.

    if (mainWindow != nullptr)
    {
        // A quit from the desktop does not wait for a running upload: end it
        // here, while the objects its worker reports to still exist.
        mainWindow->stopUpdate();

        std::unique_ptr<PellamWindow> window (mainWindow);
        mainWindow = nullptr;
    }

    xEventQueueWatch.reset();

    // A quit that bypassed quitIfIdle leaves the link open; close it, and let go
    // of every MIDI port, while JUCE's MIDI services still exist.
    releaseMidi();
}

std::unique_ptr<PellamWindow> Pellam::createMainWindow()
{
    return std::make_unique<PellamWindow>();
}

} // namespace zarvel
