#pragma once

#include "device/IFlashProgrammerIO.h"
#include "device/MidiPorts.h"

#include <atomic>
#include <mutex>
#include <optional>

namespace zarvel
{

/** The SysEx link to a Zarvel unit in update mode: finds it among the MIDI
    ports, exchanges acknowledged commands with it and uploads the firmware.
*/
class USBAtmelDevice : public IFlashProgrammerIO,
                       public MidiInputPort::Callback
{
public:
    explicit USBAtmelDevice (MidiPorts& ports);
    ~USBAtmelDevice() override;

    bool programFirmware (juce::Thread* worker) override;
    const char* getName() override;
    bool isOpen() override;
    int getVersion() override;
    bool open (int) override;
    bool close (int) override;

    void handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& message) override;

    /** Sends F0, the given bytes and F7 on the output, dropping any stored reply. */
    void sendCommand (const juce::uint8* data, int length);

    /** Waits up to 1000 ms for a reply and judges it: valid, and if asked, an acknowledge. */
    bool waitForReply (bool requireAck);

    /** Whether a reply is stored at this moment, valid or not; never waits. */
    bool hasStoredReply();

    /** The upload of programFirmware, over any image (the carried one is 24832 bytes). */
    bool programImage (juce::Thread* worker, const juce::uint8* image, int imageSize);

    bool erase();
    bool setAddress (juce::uint8 high, juce::uint8 low);
    void setTotal (float newTotal);
    void setCurrent (float newCurrent);
    double getProgress() const;

    /** Chooses the MIDI ports the link searches; call it only while closed. */
    void usePorts (MidiPorts& newPorts);

    static constexpr int replyTimeoutMs = 1000;

private:
    bool storedReplyIsValid (bool requireAck) const;

    MidiPorts* ports;

    // Reply state, shared with the input thread under sysexLock.
    std::optional<juce::MidiMessage> reply;
    juce::uint8 sysexBuffer[256] {};
    int sysexLength = 0;
    int collecting = 0;

    float total = 1.0f;
    float current = 0.0f;

    std::unique_ptr<MidiOutputPort> output;
    std::unique_ptr<MidiInputPort> input;

    std::mutex sysexLock;
    std::atomic<bool> replyStored { false }; // mirrors reply.has_value() for the lock-free wait
    juce::WaitableEvent replyArrived;

    JUCE_DECLARE_NON_COPYABLE (USBAtmelDevice)
};

} // namespace zarvel
