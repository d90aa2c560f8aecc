#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zarvel
{

/** A model of a Zarvel unit's boot loader in update mode, as seen over SysEx:
    it answers the query and version commands and programs a model of its
    flash from the upload's commands, so that what landed can be compared with
    what was sent. It can misbehave on chosen commands.

    It runs no thread and takes no lock: whoever carries its messages does.
*/
class ZarvelUnitModel
{
public:
    using Bytes = std::vector<std::uint8_t>;

    enum class Fault
    {
        none,
        noReply,        // says nothing, does nothing
        ackLost,        // does it, but its acknowledge never comes
        lateReply,      // its reply comes only after the next command
        echo,           // sends the command back instead of an acknowledge
        wrongPrefix,    // an acknowledge with another maker's prefix
        refuse,         // a valid reply that is no acknowledge
        splitReply,     // the acknowledge cut into two deliveries
        extraAfterAck,  // active sensing (FE) right after the acknowledge
        overLong,       // a 257-byte SysEx message instead of the acknowledge
        leadingBytes    // stray bytes before the acknowledge's F0, in the same delivery
    };

    static constexpr int flashSize = 32768;
    static constexpr int pageSize = 128;

    explicit ZarvelUnitModel (std::uint8_t version = 1);

    /** Takes one message as received from the host. Returns what the unit sends
        back, in order, one entry per delivery on its MIDI output.
    */
    std::vector<Bytes> receive (const std::uint8_t* message, std::size_t size);

    /** Misbehave on the command with this index (0 = the first one received). */
    void injectFault (int commandIndex, Fault fault);

    /** Misbehave on the n-th (0-based) command with this letter. */
    void injectFault (char letter, int occurrence, Fault fault);

    /** Parses "letter:occurrence:fault" or "index:fault" (fault as named by
        getFaultName). Returns false when the text is not understood.
    */
    bool injectFault (const std::string& description);

    static const char* getFaultName (Fault fault);

    const Bytes& getFlash() const noexcept                  { return flash; }
    const std::vector<Bytes>& getReceived() const noexcept  { return received; }
    int getNumPageWrites() const noexcept                   { return pageWrites; }

    static Bytes makeReply (std::uint8_t status);

private:
    Fault takeFault (std::uint8_t letter);
    bool execute (std::uint8_t letter, const std::uint8_t* payload, std::size_t payloadSize, std::uint8_t& status);

    std::uint8_t version;
    Bytes flash, pageBuffer;
    unsigned wordAddress = 0;
    int pageWrites = 0;

    std::vector<Bytes> received;
    std::map<int, Fault> faultsByIndex;
    std::map<std::pair<char, int>, Fault> faultsByLetter;
    std::map<char, int> letterCounts;
    std::vector<Bytes> heldBack;
};

} // namespace zarvel
