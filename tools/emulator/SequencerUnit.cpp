#include "tools/emulator/SequencerUnit.h"

namespace zarvel
{

namespace
{
    // Far longer than any command: whatever grows past it is not for the unit.
    constexpr std::size_t maxCommandSize = 1024;
}

SequencerUnit::SequencerUnit (ZarvelUnitModel& u, const std::string& clientName, const std::string& portName)
    : unit (u)
{
    if (const int err = snd_seq_open (&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK); err < 0)
    {
        error = std::string ("cannot open the ALSA sequencer: ") + snd_strerror (err);
        seq = nullptr;
        return;
    }

    snd_seq_set_client_name (seq, clientName.c_str());
    client = snd_seq_client_id (seq);

    port = snd_seq_create_simple_port (seq, portName.c_str(),
                                       SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ
                                         | SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE
                                         | SND_SEQ_PORT_CAP_DUPLEX,
                                       SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);

    if (port < 0)
    {
        error = std::string ("cannot create the sequencer port: ") + snd_strerror (port);
        return;
    }

    if (snd_midi_event_new (16, &encoder) < 0)
    {
        error = "cannot make a MIDI event encoder";
        port = -1;
    }
}

SequencerUnit::~SequencerUnit()
{
    if (encoder != nullptr)
        snd_midi_event_free (encoder);

    if (seq != nullptr)
        snd_seq_close (seq);
}

std::vector<pollfd> SequencerUnit::getPollDescriptors() const
{
    std::vector<pollfd> fds ((size_t) snd_seq_poll_descriptors_count (seq, POLLIN));
    snd_seq_poll_descriptors (seq, fds.data(), (unsigned int) fds.size(), POLLIN);
    return fds;
}

void SequencerUnit::handlePendingEvents()
{
    for (;;)
    {
        snd_seq_event_t* event = nullptr;
        const int result = snd_seq_event_input (seq, &event);

        if (result == -ENOSPC)   // input overrun: events were lost, go on with what follows
            continue;

        if (result < 0 || event == nullptr)
            return;

        handleEvent (*event);
    }
}

void SequencerUnit::handleEvent (const snd_seq_event_t& event)
{
    if (event.type != SND_SEQ_EVENT_SYSEX)
        return; // the boot loader listens to SysEx alone

    collect (static_cast<const std::uint8_t*> (event.data.ext.ptr), event.data.ext.len);
}

void SequencerUnit::collect (const std::uint8_t* bytes, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
    {
        const auto byte = bytes[i];

        if (byte == 0xF0)
        {
            command.clear();
            collecting = true;
        }

        if (! collecting)
            continue;

        command.push_back (byte);

        if (command.size() > maxCommandSize)
        {
            command.clear();
            collecting = false;
            continue;
        }

        if (byte == 0xF7)
        {
            collecting = false;
            ++numCommands;

            for (const auto& reply : unit.receive (command.data(), command.size()))
                send (reply);
        }
    }
}

void SequencerUnit::send (const ZarvelUnitModel::Bytes& bytes)
{
    snd_seq_event_t event;
    snd_seq_ev_clear (&event);

    if (bytes.size() == 1 && bytes[0] >= 0xF8)
    {
        // A real-time byte (active sensing) is an event of its own kind.
        snd_midi_event_reset_encode (encoder);

        if (snd_midi_event_encode_byte (encoder, bytes[0], &event) != 1)
            return;
    }
    else
    {
        // Each delivery of the model is one SysEx event, as it is: a reply cut in
        // two by a fault reaches the host in two pieces, as it would from a cable.
        snd_seq_ev_set_sysex (&event, (unsigned int) bytes.size(), const_cast<std::uint8_t*> (bytes.data()));
    }

    snd_seq_ev_set_source (&event, (unsigned char) port);
    snd_seq_ev_set_subs (&event);
    snd_seq_ev_set_direct (&event);
    snd_seq_event_output_direct (seq, &event);
}

} // namespace zarvel
