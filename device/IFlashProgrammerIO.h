#pragma once

#include <juce_core/juce_core.h>

namespace zarvel
{

/** A link that can program a unit's flash. The int arguments of open and close
    are unused; callers pass 0.
*/
class IFlashProgrammerIO
{
public:
    virtual bool programFirmware (juce::Thread* worker) = 0;
    virtual const char* getName() = 0;
    virtual bool isOpen() = 0;
    virtual int getVersion() = 0;
    virtual bool open (int) = 0;
    virtual bool close (int) = 0;

protected:
    // Nothing is ever deleted through this interface.
    ~IFlashProgrammerIO() = default;
};

/** The one device link of the process. Never null. */
IFlashProgrammerIO* getFlashDevice();

/** Closes the device link and lets go of every MIDI port the process holds:
    at shutdown, while JUCE's MIDI services still exist.
*/
void releaseMidi();

} // namespace zarvel
