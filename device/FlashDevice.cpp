#include "device/JuceMidiPorts.h"
#include "device/USBAtmelDevice.h"
#include "device/UpdateState.h"

namespace zarvel
{

std::atomic<double> updateProgress { 0.0 };
int updateRunning = 0;

namespace
{
    // Declared in this order so the ports outlive the device, which closes them at exit.
    JuceMidiPorts systemMidiPorts;
    USBAtmelDevice flashDevice { systemMidiPorts };
}

IFlashProgrammerIO* getFlashDevice()
{
    return &flashDevice;
}

void releaseMidi()
{
    flashDevice.close (0);
    systemMidiPorts.releaseRetiredInput();
}

} // namespace zarvel
