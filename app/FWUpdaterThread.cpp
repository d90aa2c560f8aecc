#include "app/FWUpdaterThread.h"

#include "app/Pellam.h"
#include "app/PellamWindow.h"
#include "device/IFlashProgrammerIO.h"

namespace zarvel
{

FWUpdaterThread::FWUpdaterThread() : juce::Thread ("Firmware upload") {}

FWUpdaterThread::~FWUpdaterThread()
{
    // The window deletes the worker when the outcome arrives, when run may still be returning.
    stopThread (-1);
}

void FWUpdaterThread::run()
{
    const bool succeeded = getFlashDevice()->programFirmware (this);

    // The application and its window outlive every upload: the shutdown stops
    // a running worker before either goes.
    if (auto* app = Pellam::getInstance())
        if (auto* window = app->getMainWindow())
            window->postCommandMessage (succeeded ? updateSucceededCommandId : updateFailedCommandId);
}

} // namespace zarvel
