#pragma once

#include "tools/unit/ZarvelUnitModel.h"

#include <alsa/asoundlib.h>

#include <string>
#include <vector>

namespace zarvel
{

/** A Zarvel unit in update mode on the ALSA sequencer: one port that MIDI
    programs see as both an input and an output, behind which the unit model
    answers every command. Replies go to the port's subscribers, which is how
    JUCE and most programs connect (JUCE's own ports refuse direct delivery).

    Single-threaded: the owner calls handlePendingEvents when the sequencer's
    descriptors are readable.
*/
class SequencerUnit
{
public:
    SequencerUnit (ZarvelUnitModel& unit, const std::string& clientName, const std::string& portName);
    ~SequencerUnit();

    bool isValid() const noexcept           { return seq != nullptr && port >= 0; }
    const std::string& getError() const     { return error; }
    int getClient() const noexcept          { return client; }
    int getPort() const noexcept            { return port; }

    /** The sequencer's descriptors to poll for input. */
    std::vector<pollfd> getPollDescriptors() const;

    /** Reads every event waiting and answers the commands among them. */
    void handlePendingEvents();

    int getNumCommands() const noexcept     { return numCommands; }

private:
    void handleEvent (const snd_seq_event_t& event);
    void collect (const std::uint8_t* bytes, std::size_t size);
    void send (const ZarvelUnitModel::Bytes& bytes);

    ZarvelUnitModel& unit;
    snd_seq_t* seq = nullptr;
    snd_midi_event_t* encoder = nullptr;
    int client = -1, port = -1;
    std::string error;

    // A command may come in several SysEx events: it is joined here.
    std::vector<std::uint8_t> command;
    bool collecting = false;
    int numCommands = 0;

    SequencerUnit (const SequencerUnit&) = delete;
    SequencerUnit& operator= (const SequencerUnit&) = delete;
};

} // namespace zarvel
