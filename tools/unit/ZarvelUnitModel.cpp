#include "tools/unit/ZarvelUnitModel.h"

#include <algorithm>
#include <cstdlib>

namespace zarvel
{

namespace
{
    constexpr std::uint8_t prefix[] = { 0x4E, 0x7F, 0x0D };
    constexpr std::uint8_t acknowledge = 0x0D;
    constexpr std::uint8_t refusal = 0x3F; // '?'

    constexpr ZarvelUnitModel::Fault allFaults[] = {
        ZarvelUnitModel::Fault::none,        ZarvelUnitModel::Fault::noReply,
        ZarvelUnitModel::Fault::ackLost,
        ZarvelUnitModel::Fault::lateReply,   ZarvelUnitModel::Fault::echo,
        ZarvelUnitModel::Fault::wrongPrefix, ZarvelUnitModel::Fault::refuse,
        ZarvelUnitModel::Fault::splitReply,  ZarvelUnitModel::Fault::extraAfterAck,
        ZarvelUnitModel::Fault::overLong,    ZarvelUnitModel::Fault::leadingBytes
    };
}

ZarvelUnitModel::ZarvelUnitModel (std::uint8_t v)
    : version (v), flash ((size_t) flashSize, 0xFF), pageBuffer ((size_t) pageSize, 0xFF)
{
}

ZarvelUnitModel::Bytes ZarvelUnitModel::makeReply (std::uint8_t status)
{
    return { 0xF0, prefix[0], prefix[1], prefix[2], status, 0xF7 };
}

const char* ZarvelUnitModel::getFaultName (Fault fault)
{
    switch (fault)
    {
        case Fault::none:           return "none";
        case Fault::noReply:        return "no-reply";
        case Fault::ackLost:        return "ack-lost";
        case Fault::lateReply:      return "late-reply";
        case Fault::echo:           return "echo";
        case Fault::wrongPrefix:    return "wrong-prefix";
        case Fault::refuse:         return "refuse";
        case Fault::splitReply:     return "split-reply";
        case Fault::extraAfterAck:  return "extra-after-ack";
        case Fault::overLong:       return "over-long";
        case Fault::leadingBytes:   return "leading-bytes";
    }

    return "?";
}

void ZarvelUnitModel::injectFault (int commandIndex, Fault fault)
{
    faultsByIndex[commandIndex] = fault;
}

void ZarvelUnitModel::injectFault (char letter, int occurrence, Fault fault)
{
    faultsByLetter[{ letter, occurrence }] = fault;
}

bool ZarvelUnitModel::injectFault (const std::string& description)
{
    const auto lastColon = description.rfind (':');

    if (lastColon == std::string::npos)
        return false;

    const auto faultName = description.substr (lastColon + 1);
    const auto* found = std::find_if (std::begin (allFaults), std::end (allFaults),
                                      [&] (Fault f) { return faultName == getFaultName (f); });

    if (found == std::end (allFaults))
        return false;

    const auto where = description.substr (0, lastColon);
    const auto firstColon = where.find (':');

    auto isNumber = [] (const std::string& s)
    {
        return ! s.empty() && std::all_of (s.begin(), s.end(), [] (char c) { return c >= '0' && c <= '9'; });
    };

    if (firstColon == std::string::npos)
    {
        if (! isNumber (where))
            return false;

        injectFault (std::atoi (where.c_str()), *found);
        return true;
    }

    const auto occurrence = where.substr (firstColon + 1);

    if (firstColon != 1 || ! isNumber (occurrence))
        return false;

    injectFault (where[0], std::atoi (occurrence.c_str()), *found);
    return true;
}

ZarvelUnitModel::Fault ZarvelUnitModel::takeFault (std::uint8_t letter)
{
    const int index = (int) received.size() - 1;
    const int occurrence = letterCounts[(char) letter]++;

    if (auto it = faultsByIndex.find (index); it != faultsByIndex.end())
        return it->second;

    if (auto it = faultsByLetter.find ({ (char) letter, occurrence }); it != faultsByLetter.end())
        return it->second;

    return Fault::none;
}

bool ZarvelUnitModel::execute (std::uint8_t letter, const std::uint8_t* payload, std::size_t payloadSize,
                               std::uint8_t& status)
{
    switch (letter)
    {
        case 'x':
            return payloadSize == 0;

        case 'V':
            status = version;
            return payloadSize == 0;

        case 'e':
            if (payloadSize != 0)
                return false;

            std::fill (flash.begin(), flash.end(), std::uint8_t (0xFF));
            std::fill (pageBuffer.begin(), pageBuffer.end(), std::uint8_t (0xFF));
            return true;

        case 'A':
        {
            if (payloadSize != 3 || payload[2] > 3)
                return false;

            const unsigned high = payload[0] | ((payload[2] & 1) ? 0x80u : 0u);
            const unsigned low  = payload[1] | ((payload[2] & 2) ? 0x80u : 0u);
            wordAddress = (high << 8) | low;
            return true;
        }

        case 'c':
        case 'C':
        {
            if (payloadSize != 2 || payload[1] > 1)
                return false;

            // The low byte of a word, then its high byte, which moves on to the next word.
            const auto offset = (wordAddress * 2u + (letter == 'C' ? 1u : 0u)) % (unsigned) pageSize;
            pageBuffer[offset] = (std::uint8_t) (payload[0] | (payload[1] ? 0x80 : 0));

            if (letter == 'C')
                ++wordAddress;

            return true;
        }

        case 'm':
        {
            const auto start = (wordAddress * 2u) & ~(unsigned) (pageSize - 1);

            if (payloadSize != 0 || start + pageSize > (unsigned) flashSize)
                return false;

            // Flash bits only go from 1 to 0 until the next erase.
            for (int i = 0; i < pageSize; ++i)
                flash[start + (unsigned) i] &= pageBuffer[(size_t) i];

            std::fill (pageBuffer.begin(), pageBuffer.end(), std::uint8_t (0xFF));
            ++pageWrites;
            return true;
        }

        default:
            return false;
    }
}

std::vector<ZarvelUnitModel::Bytes> ZarvelUnitModel::receive (const std::uint8_t* message, std::size_t size)
{
    std::vector<Bytes> out;

    // Only complete commands addressed to this unit are answered.
    if (size < 6 || message[0] != 0xF0 || message[size - 1] != 0xF7
         || ! std::equal (std::begin (prefix), std::end (prefix), message + 1))
        return out;

    received.emplace_back (message, message + size);

    const auto letter = message[4];
    const auto fault = takeFault (letter);

    out.swap (heldBack);

    std::uint8_t status = acknowledge;
    const bool understood = std::all_of (message + 1, message + size - 1, [] (std::uint8_t b) { return b < 0x80; });
    const bool carriedOut = fault == Fault::none || fault == Fault::ackLost || fault == Fault::splitReply
                             || fault == Fault::extraAfterAck || fault == Fault::leadingBytes;

    // A command is carried out only when the unit means to acknowledge it.
    if (! understood || (carriedOut && ! execute (letter, message + 5, size - 6, status)))
        status = refusal;

    auto reply = makeReply (status);

    switch (fault)
    {
        case Fault::none:           out.push_back (reply); break;
        case Fault::noReply:
        case Fault::ackLost:        break;
        case Fault::lateReply:      heldBack.push_back (makeReply (acknowledge)); break;
        case Fault::echo:           out.emplace_back (message, message + size); break;
        case Fault::refuse:         out.push_back (makeReply (refusal)); break;
        case Fault::splitReply:
            out.emplace_back (reply.begin(), reply.begin() + 3);
            out.emplace_back (reply.begin() + 3, reply.end());
            break;
        case Fault::extraAfterAck:
            out.push_back (reply);
            out.push_back ({ 0xFE });
            break;
        case Fault::wrongPrefix:
            reply[1] = 0x43;
            out.push_back (reply);
            break;
        case Fault::overLong:
        {
            Bytes longMessage (257, 0x0D);
            std::copy (reply.begin(), reply.begin() + 5, longMessage.begin());
            longMessage.back() = 0xF7;
            out.push_back (longMessage);
            break;
        }
        case Fault::leadingBytes:
            reply.insert (reply.begin(), { 0x7E, 0x01 });
            out.push_back (reply);
            break;
    }

    return out;
}

} // namespace zarvel
