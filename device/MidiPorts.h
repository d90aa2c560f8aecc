#pragma once

#include "device/MidiInputPort.h"
#include "device/MidiOutputPort.h"

#include <memory>

namespace zarvel
{

/** The MIDI ports of the machine, listed by index. The device link sees MIDI
    only through this, so that a simulated unit can stand in for the real one.
*/
class MidiPorts
{
public:
    virtual ~MidiPorts() = default;

    virtual int getNumInputs() = 0;
    virtual int getNumOutputs() = 0;

    /** Null when the input cannot be opened. It delivers nothing until started. */
    virtual std::unique_ptr<MidiInputPort> openInput (int index, MidiInputPort::Callback& callback) = 0;

    /** Null when the output cannot be opened. */
    virtual std::unique_ptr<MidiOutputPort> openOutput (int index) = 0;
};

} // namespace zarvel
