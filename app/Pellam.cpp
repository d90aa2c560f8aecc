#include "app/Pellam.h"

#include "app/EmbeddedImages.h"
#include "app/XEventQueueWatch.h"
#include "device/IFlashProgrammerIO.h"
#include "device/UpdateState.h"

namespace zarvel
{

namespace
{
    Pellam* instance = nullptr;

    juce::String formatVersion (int major, int minor)
    {
        return juce::String::formatted ("%d.%02d", major, minor);
    }
}

Pellam::Pellam()
{
    instance = this;
}

Pellam::~Pellam()
{
    clearEmbeddedImages();

    if (instance == this)
        instance = nullptr;
}

Pellam* Pellam::getInstance()
{
    return instance;
}

PellamWindow* Pellam::getMainWindow()
{
    return mainWindow;
}

const juce::String Pellam::getApplicationName()
{
    return "Zarvel Firmware Updater - Firmware Version: " + getFirmwareVersion();
}

const juce::String Pellam::getApplicationVersion()
{
    return formatVersion (2, 1);
}

juce::String Pellam::getFirmwareVersion()
{
    return formatVersion (1, 31);
}

bool Pellam::moreThanOneInstanceAllowed()
{
    return false;
}

void Pellam::quitIfIdle()
{
    if (updateRunning != 0)
        return;

    // A quit is already on its way (Finish pressed twice, say): nothing to repeat.
    if (quitRequested)
        return;

    quitRequested = true;
    getFlashDevice()->close (0);
    requestQuit();
}

void Pellam::requestQuit()
{
    juce::JUCEApplicationBase::quit();
}

} // namespace zarvel
