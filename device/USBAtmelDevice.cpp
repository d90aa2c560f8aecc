#include "device/USBAtmelDevice.h"

#include "device/FirmwareImage.h"
#include "device/UpdateState.h"

namespace zarvel
{

namespace
{
    constexpr juce::uint8 queryCommand[]   = { 0x4E, 0x7F, 0x0D, 0x78 };
    constexpr juce::uint8 versionCommand[] = { 0x4E, 0x7F, 0x0D, 0x56 };
    constexpr juce::uint8 eraseCommand[]   = { 0x4E, 0x7F, 0x0D, 0x65 };

    constexpr juce::uint8 acknowledge = 0x0D;
    constexpr int pageSize = 128;
    constexpr int sysexCapacity = 256;
}

USBAtmelDevice::USBAtmelDevice (MidiPorts& p) : ports (&p) {}

USBAtmelDevice::~USBAtmelDevice()
{
    USBAtmelDevice::close (0);
}

void USBAtmelDevice::usePorts (MidiPorts& newPorts)
{
    jassert (! isOpen());
    ports = &newPorts;
}

const char* USBAtmelDevice::getName()   { return "zarvel"; }

bool USBAtmelDevice::isOpen()           { return output != nullptr && input != nullptr; }

bool USBAtmelDevice::close (int)
{
    output.reset();

    if (input != nullptr)
    {
        input->stop();
        input.reset();
    }

    return true;
}

//==============================================================================
void USBAtmelDevice::sendCommand (const juce::uint8* data, int length)
{
    if (output == nullptr)
        return;

    {
        const std::lock_guard<std::mutex> lock (sysexLock);
        reply.reset();
        replyStored = false;
        replyArrived.reset();
    }

    // Built on the stack: a command frame fits, and the upload sends one per byte.
    juce::uint8 frame[16];

    if (length + 2 > (int) sizeof (frame))
    {
        output->sendMessageNow (juce::MidiMessage::createSysExMessage (data, length));
        return;
    }

    frame[0] = 0xF0;
    std::memcpy (frame + 1, data, (size_t) length);
    frame[length + 1] = 0xF7;
    output->sendMessageNow (juce::MidiMessage (frame, length + 2));
}

void USBAtmelDevice::handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& message)
{
    const std::lock_guard<std::mutex> lock (sysexLock);

    // Any message, from anywhere, ends the life of a stored reply.
    reply.reset();
    replyStored = false;

    if (source == nullptr || source != input.get())
        return;

    const auto* bytes = message.getRawData();
    const auto numBytes = message.getRawDataSize();

    for (int i = 0; i < numBytes; ++i)
    {
        const auto byte = bytes[i];

        if (byte == 0xF0)
        {
            sysexLength = 0;
            collecting = 1;
            std::fill (std::begin (sysexBuffer), std::end (sysexBuffer), juce::uint8 (0));
        }

        if (collecting == 0)
            continue;

        if (sysexLength == sysexCapacity)
        {
            // Too long for any reply: drop it and the rest of this delivery.
            sysexLength = 0;
            std::fill (std::begin (sysexBuffer), std::end (sysexBuffer), juce::uint8 (0));
            break;
        }

        sysexBuffer[sysexLength++] = byte;

        if (byte == 0xF7)
        {
            reply.emplace (sysexBuffer, sysexLength, 0.0);
            sysexLength = 0;
            replyStored = true;
            replyArrived.signal();
        }
    }
}

bool USBAtmelDevice::storedReplyIsValid (bool requireAck) const
{
    if (! reply.has_value() || reply->getSysExDataSize() <= 2)
        return false;

    const auto* data = reply->getSysExData();

    if (data[0] != 0x4E || data[1] != 0x7F || data[2] != 0x0D)
        return false;

    // With only three data bytes, the byte looked at here is the closing F7.
    return ! requireAck || data[3] == acknowledge;
}

bool USBAtmelDevice::waitForReply (bool requireAck)
{
    const juce::uint32 start = juce::Time::getMillisecondCounter();

    while (! replyStored)
    {
        const juce::uint32 elapsed = juce::Time::getMillisecondCounter() - start; // wraps safely

        if (elapsed >= (juce::uint32) replyTimeoutMs)
            break;

        replyArrived.wait ((int) ((juce::uint32) replyTimeoutMs - elapsed));
    }

    const std::lock_guard<std::mutex> lock (sysexLock);
    return storedReplyIsValid (requireAck);
}

bool USBAtmelDevice::hasStoredReply()
{
    const std::lock_guard<std::mutex> lock (sysexLock);
    return reply.has_value();
}

//==============================================================================
bool USBAtmelDevice::open (int)
{
    close (0);

    const int numOutputs = ports->getNumOutputs();
    const int numInputs = ports->getNumInputs();

    for (int i = 0; i < numInputs; ++i)
    {
        input = ports->openInput (i, *this);

        if (input == nullptr)
            continue;

        input->start();

        for (int j = 0; j < numOutputs; ++j)
        {
            output = ports->openOutput (j);
            sendCommand (queryCommand, (int) sizeof (queryCommand));

            if (waitForReply (true))
            {
                getVersion();
                return true;
            }
        }

        input->stop();
    }

    close (0);
    return false;
}

int USBAtmelDevice::getVersion()
{
    sendCommand (versionCommand, (int) sizeof (versionCommand));

    if (! waitForReply (false))
        return 0;

    // Judged again under the same lock as the read: a later message may have dropped it.
    const std::lock_guard<std::mutex> lock (sysexLock);
    return storedReplyIsValid (false) ? (int) reply->getSysExData()[3] : 0;
}

//==============================================================================
bool USBAtmelDevice::erase()
{
    sendCommand (eraseCommand, (int) sizeof (eraseCommand));
    return waitForReply (true);
}

bool USBAtmelDevice::setAddress (juce::uint8 high, juce::uint8 low)
{
    const juce::uint8 command[] = { 0x4E, 0x7F, 0x0D, 0x41,
                                    (juce::uint8) (high & 0x7F),
                                    (juce::uint8) (low & 0x7F),
                                    (juce::uint8) ((high >= 0x80 ? 1 : 0) | (low >= 0x80 ? 2 : 0)) };
    sendCommand (command, (int) sizeof (command));
    return waitForReply (true);
}

void USBAtmelDevice::setTotal (float newTotal)       { total = newTotal; }

void USBAtmelDevice::setCurrent (float newCurrent)
{
    current = newCurrent;
    updateProgress = getProgress();
}

double USBAtmelDevice::getProgress() const          { return (double) (current / total); }

bool USBAtmelDevice::programFirmware (juce::Thread* worker)
{
    return programImage (worker, firmwareImage, firmwareImageSize);
}

bool USBAtmelDevice::programImage (juce::Thread* worker, const juce::uint8* image, int imageSize)
{
    if (worker == nullptr || worker->threadShouldExit() || image == nullptr || imageSize <= 0)
        return false;

    if (! erase() || ! setAddress (0, 0))
        return false;

    const int pages = imageSize / pageSize;
    setTotal ((float) (pages * pageSize));

    // One buffer for every data byte and page write of the upload.
    juce::uint8 command[6] = { 0x4E, 0x7F, 0x0D, 0, 0, 0 };
    int n = 0;

    for (int page = 0; page < pages; ++page)
    {
        juce::uint8 letter = 'c';

        for (int offset = 0; offset < pageSize; ++offset)
        {
            command[3] = letter;
            letter = (letter == 'c') ? 'C' : 'c';
            command[4] = (juce::uint8) (image[n] & 0x7F);
            command[5] = image[n] >= 0x80 ? 1 : 0;
            sendCommand (command, 6);
            setCurrent ((float) n);

            if (! waitForReply (true) || worker->threadShouldExit())
                return false;

            ++n;
        }

        // The unit writes the page at the address set last; whether it
        // acknowledges the address itself does not decide anything.
        setAddress ((juce::uint8) (page >> 2), (juce::uint8) ((page & 3) << 6));

        command[3] = 'm';
        sendCommand (command, 4);

        if (! waitForReply (true))
            return false;
    }

    return true;
}

} // namespace zarvel
