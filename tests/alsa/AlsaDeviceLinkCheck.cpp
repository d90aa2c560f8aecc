// The device link on the real platform road: JUCE's MIDI ports on the ALSA
// sequencer, against the unit emulator. Needs a usable /dev/snd/seq (the VM
// test boots a kernel that has one). Prints one line per check, the figures,
// and a closing "N passed, N failed"; exits 0 only when every check passed.
//
//   zarvel-alsa-device-link-check --emulator PATH --work DIR
//   zarvel-alsa-device-link-check --compare-flash FILE

#include "device/FirmwareImage.h"
#include "device/JuceMidiPorts.h"
#include "device/USBAtmelDevice.h"
#include "device/UpdateState.h"

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <unistd.h>

namespace zarvel
{
namespace
{

using Clock = std::chrono::steady_clock;

double millisecondsSince (Clock::time_point start)
{
    return std::chrono::duration<double, std::milli> (Clock::now() - start).count();
}

int numPassed = 0, numFailed = 0;

bool check (bool condition, const juce::String& what)
{
    std::printf ("%s: %s\n", condition ? "PASS" : "FAIL", what.toRawUTF8());
    std::fflush (stdout);
    (condition ? numPassed : numFailed)++;
    return condition;
}

//==============================================================================
/** What the flash must hold after a complete upload of the carried image, or
    after one that stopped once `pagesWritten` pages were written: the image's
    pages in place, every other byte erased.
*/
std::vector<juce::uint8> expectedFlash (int pagesWritten)
{
    std::vector<juce::uint8> flash (32768, 0xFF);
    std::copy (firmwareImage, firmwareImage + pagesWritten * 128, flash.begin());
    return flash;
}

/** Empty when the file holds exactly what is expected, else where it first differs. */
juce::String compareFlash (const juce::File& file, const std::vector<juce::uint8>& expected)
{
    juce::MemoryBlock held;

    if (! file.loadFileAsData (held))
        return "cannot read " + file.getFullPathName();

    if (held.getSize() != expected.size())
        return "the flash file is " + juce::String ((int) held.getSize()) + " bytes, not " + juce::String ((int) expected.size());

    const auto* bytes = static_cast<const juce::uint8*> (held.getData());

    for (size_t i = 0; i < expected.size(); ++i)
        if (bytes[i] != expected[i])
            return juce::String::formatted ("first difference at flash byte 0x%04x (page %d): 0x%02x, expected 0x%02x",
                                            (int) i, (int) i / 128, bytes[i], expected[i]);

    return {};
}

//==============================================================================
/** The emulator as a child process, its output in a log file. */
class Emulator
{
public:
    Emulator (const juce::String& program, const juce::File& flash, const juce::File& log, const juce::StringArray& faults)
        : logFile (log)
    {
        juce::StringArray args { program, "--quiet", "--flash", flash.getFullPathName() };

        for (auto& f : faults)
            args.addArray ({ "--fault", f });

        std::vector<char*> argv;

        for (auto& a : args)
            argv.push_back (const_cast<char*> (a.toRawUTF8()));

        argv.push_back (nullptr);
        const auto logPath = log.getFullPathName();

        pid = fork();

        if (pid == 0)
        {
            const int fd = ::open (logPath.toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2 (fd, 1);
            dup2 (fd, 2);
            execv (argv[0], argv.data());
            _exit (127);
        }
    }

    ~Emulator()     { stop(); }

    /** Stops it (it writes its flash on the way out); true when it ended well. */
    bool stop()
    {
        if (pid <= 0)
            return exitedWell;

        kill (pid, SIGTERM);

        for (int i = 0; i < 1000; ++i)
        {
            int status = 0;

            if (waitpid (pid, &status, WNOHANG) == pid)
            {
                pid = -1;
                exitedWell = WIFEXITED (status) && WEXITSTATUS (status) == 0;
                return exitedWell;
            }

            juce::Thread::sleep (10);
        }

        kill (pid, SIGKILL);
        waitpid (pid, nullptr, 0);
        pid = -1;
        return false;
    }

    juce::String getLog() const     { return logFile.loadFileAsString(); }

private:
    juce::File logFile;
    pid_t pid = -1;
    bool exitedWell = false;
};

//==============================================================================
/** JUCE's ports, with a record of the pairs the search tries and what comes
    back on each: the search itself is left as it is.
*/
class RecordingPorts final : public MidiPorts
{
public:
    struct Trial
    {
        juce::String input, output;
        Clock::time_point start, end;
        std::vector<std::vector<juce::uint8>> received;

        double getMilliseconds() const  { return std::chrono::duration<double, std::milli> (end - start).count(); }
    };

    int getNumInputs() override
    {
        endTrial();
        inputNames.clear();

        for (auto& d : juce::MidiInput::getAvailableDevices())
            inputNames.add (d.name);

        const int n = ports.getNumInputs();
        jassert (n == inputNames.size());
        return n;
    }

    int getNumOutputs() override
    {
        outputNames.clear();

        for (auto& d : juce::MidiOutput::getAvailableDevices())
            outputNames.add (d.name);

        const int n = ports.getNumOutputs();
        jassert (n == outputNames.size());
        return n;
    }

    std::unique_ptr<MidiInputPort> openInput (int index, MidiInputPort::Callback& callback) override
    {
        endTrial();
        currentInput = inputNames[index];
        auto port = std::make_unique<Input> (*this, callback);
        port->inner = ports.openInput (index, *port);
        return port->inner != nullptr ? std::move (port) : nullptr;
    }

    std::unique_ptr<MidiOutputPort> openOutput (int index) override
    {
        endTrial();
        const std::lock_guard<std::mutex> l (lock);
        trials.push_back ({ currentInput, outputNames[index], Clock::now(), {}, {} });
        trialOpen = true;
        return ports.openOutput (index);
    }

    void endTrial()
    {
        const std::lock_guard<std::mutex> l (lock);

        if (trialOpen)
            trials.back().end = Clock::now();

        trialOpen = false;
    }

    std::vector<Trial> takeTrials()
    {
        endTrial();
        const std::lock_guard<std::mutex> l (lock);
        return std::exchange (trials, {});
    }

    juce::StringArray inputNames, outputNames;

private:
    struct Input final : public MidiInputPort, public MidiInputPort::Callback
    {
        Input (RecordingPorts& o, MidiInputPort::Callback& t) : owner (o), target (t) {}
        ~Input() override   { owner.endTrial(); }

        void start() override  { inner->start(); }
        void stop() override   { owner.endTrial(); inner->stop(); }

        void handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& message) override
        {
            {
                const std::lock_guard<std::mutex> l (owner.lock);

                if (owner.trialOpen)
                    owner.trials.back().received.emplace_back (message.getRawData(), message.getRawData() + message.getRawDataSize());
            }

            target.handleIncomingMidiMessage (source != nullptr && source == inner.get() ? this : nullptr, message);
        }

        RecordingPorts& owner;
        MidiInputPort::Callback& target;
        std::unique_ptr<MidiInputPort> inner;
    };

    JuceMidiPorts ports;
    juce::String currentInput;
    std::mutex lock;
    std::vector<Trial> trials;
    bool trialOpen = false;
};

class UploadThread final : public juce::Thread
{
public:
    explicit UploadThread (IFlashProgrammerIO& d) : juce::Thread ("upload"), device (d) {}
    ~UploadThread() override    { stopThread (5000); }

    void run() override         { result = device.programFirmware (this); }

    IFlashProgrammerIO& device;
    std::atomic<bool> result { false };
};

bool isEmulator (const juce::String& name)      { return name.contains ("Zarvel"); }
bool isMidiThrough (const juce::String& name)   { return name.startsWith ("Midi Through"); }

juce::String describe (const std::vector<juce::uint8>& bytes)
{
    return juce::String::toHexString (bytes.data(), (int) bytes.size());
}

/** Waits until the emulator's port is listed, both ways; false after 10 s. */
bool waitForEmulatorPort()
{
    for (int i = 0; i < 1000; ++i)
    {
        auto listed = [] (const juce::Array<juce::MidiDeviceInfo>& devices)
        {
            return std::any_of (devices.begin(), devices.end(), [] (auto& d) { return isEmulator (d.name); });
        };

        if (listed (juce::MidiInput::getAvailableDevices()) && listed (juce::MidiOutput::getAvailableDevices()))
            return true;

        juce::Thread::sleep (10);
    }

    return false;
}

//==============================================================================
struct Figures
{
    double searchMs = 0, uploadMs = 0;
    int numPairs = 0;
};

/** The emulator hears the query of every pair tried on its output (it answers
    its subscribers, so only its own input hears back) and the version command.
*/
int countCommandsOfSearch (const std::vector<RecordingPorts::Trial>& trials)
{
    return 1 + (int) std::count_if (trials.begin(), trials.end(), [] (auto& t) { return isEmulator (t.output); });
}

juce::String emulatorSummary (int commands, int pages)
{
    return "received " + juce::String (commands) + " commands, " + juce::String (pages) + " pages written";
}

int checkSearch (USBAtmelDevice& device, RecordingPorts& ports, Figures& figures)
{
    const auto start = Clock::now();
    const bool found = device.open (0);
    figures.searchMs = millisecondsSince (start);
    const auto trials = ports.takeTrials();
    figures.numPairs = (int) trials.size();

    std::printf ("inputs:  %s\noutputs: %s\n",
                 ports.inputNames.joinIntoString (" | ").toRawUTF8(),
                 ports.outputNames.joinIntoString (" | ").toRawUTF8());

    for (auto& t : trials)
        std::printf ("  pair %-32s -> %-32s %7.1f ms, %d message(s) back%s%s\n",
                     t.output.toRawUTF8(), t.input.toRawUTF8(), t.getMilliseconds(), (int) t.received.size(),
                     t.received.empty() ? "" : ", first: ", t.received.empty() ? "" : describe (t.received.front()).toRawUTF8());

    check (found && device.isOpen(), "the search finds the emulator (" + juce::String (figures.searchMs, 0) + " ms, "
                                        + juce::String (figures.numPairs) + " pairs tried)");

    check (ports.inputNames.contains ("Midi Through Port-0") && ports.outputNames.contains ("Midi Through Port-0"),
           "\"Midi Through Port-0\" is among the ports searched");

    const auto echoTrial = std::find_if (trials.begin(), trials.end(),
                                         [] (auto& t) { return isMidiThrough (t.input) && isMidiThrough (t.output); });
    const std::vector<juce::uint8> query { 0xF0, 0x4E, 0x7F, 0x0D, 0x78, 0xF7 };

    if (check (echoTrial != trials.end(), "the Midi Through loop-back pair is tried"))
    {
        check (! echoTrial->received.empty() && echoTrial->received.front() == query,
               "Midi Through sends the query back unchanged");

        // Rejected by its reply, not by the time-out: far below the 1000 ms wait.
        check (echoTrial->getMilliseconds() < 500.0,
               "the loop-back pair is rejected at once (" + juce::String (echoTrial->getMilliseconds(), 1) + " ms)");
    }

    check (! trials.empty() && isEmulator (trials.back().input) && isEmulator (trials.back().output),
           "the search ends on the emulator's input and output");

    return countCommandsOfSearch (trials);
}

void checkUpload (USBAtmelDevice& device, Figures& figures)
{
    UploadThread upload (device);
    const auto start = Clock::now();
    upload.startThread();

    // Bounded: even an upload at the slowest seen here takes a fraction of this.
    const bool ended = upload.waitForThreadToExit (240000);
    figures.uploadMs = millisecondsSince (start);

    if (! check (ended, "the upload ends"))
    {
        upload.signalThreadShouldExit();
        return;
    }

    check (upload.result, "the upload of the whole image succeeds (" + juce::String (figures.uploadMs, 0) + " ms)");
    check (updateProgress.load() == (double) (24831.0f / 24832.0f), "the progress ends at the last byte's fraction");
}

/** The comparison itself must see one wrong byte, a page at the wrong
    address and a page missing.
*/
void checkComparisonCatchesFaults (const juce::File& flash, const juce::File& work)
{
    juce::MemoryBlock good;

    if (! flash.loadFileAsData (good) || good.getSize() != 32768)
        return;

    auto differs = [&] (const std::function<void (juce::uint8*)>& spoil)
    {
        juce::MemoryBlock bad (good);
        spoil (static_cast<juce::uint8*> (bad.getData()));
        const auto file = work.getChildFile ("flash-spoilt.bin");
        file.replaceWithData (bad.getData(), bad.getSize());
        const bool found = compareFlash (file, expectedFlash (194)).isNotEmpty();
        file.deleteFile();
        return found;
    };

    check (differs ([] (juce::uint8* f) { f[12345] ^= 0x01; })
             && differs ([] (juce::uint8* f) { std::swap_ranges (f + 128 * 7, f + 128 * 8, f + 128 * 9); })
             && differs ([] (juce::uint8* f) { std::fill (f + 128 * 193, f + 128 * 194, juce::uint8 (0xFF)); }),
           "the comparison sees one wrong bit, two pages swapped and the last page missing");
}

int run (const juce::String& emulatorPath, const juce::File& work)
{
    work.createDirectory();
    auto& device = dynamic_cast<USBAtmelDevice&> (*getFlashDevice());
    RecordingPorts ports;
    device.usePorts (ports);
    Figures figures;

    {
        std::printf ("--- the whole image through the sequencer\n");
        const auto flash = work.getChildFile ("flash-whole.bin");
        Emulator emulator (emulatorPath, flash, work.getChildFile ("emulator-whole.log"), {});

        int searchCommands = 0;

        if (check (waitForEmulatorPort(), "the emulator's port appears"))
        {
            searchCommands = checkSearch (device, ports, figures);

            if (device.isOpen())
                checkUpload (device, figures);

            device.close (0);
        }

        check (emulator.stop(), "the emulator stops and writes its flash");
        const auto log = emulator.getLog();
        std::printf ("%s", log.toRawUTF8());
        const auto difference = compareFlash (flash, expectedFlash (194));
        check (difference.isEmpty(), "the emulator's flash equals the image byte for byte " + difference);
        checkComparisonCatchesFaults (flash, work);
        // The search's, then erase, address 0, 194 × (128 bytes, address, page write): nothing else.
        check (log.contains (emulatorSummary (searchCommands + 25222, 194)), "the emulator received exactly the commands of one upload");
    }

    const double searchMs = figures.searchMs;

    {
        std::printf ("--- no acknowledge to a data byte (the 301st \"c\", byte 600 on page 4)\n");
        const auto flash = work.getChildFile ("flash-fault.bin");
        Emulator emulator (emulatorPath, flash, work.getChildFile ("emulator-fault.log"), { "c:300:no-reply" });

        int searchCommands = 0;

        if (check (waitForEmulatorPort(), "the emulator's port appears") && check (device.open (0), "the search finds the emulator"))
        {
            searchCommands = countCommandsOfSearch (ports.takeTrials());
            UploadThread upload (device);
            upload.startThread();
            check (upload.waitForThreadToExit (60000) && ! upload.result, "the upload fails");
            check (updateProgress.load() == (double) (600.0f / 24832.0f), "the progress stays at the unanswered byte");
            device.close (0);
        }

        check (emulator.stop(), "the emulator stops and writes its flash");
        const auto log = emulator.getLog();
        std::printf ("%s", log.toRawUTF8());
        const auto difference = compareFlash (flash, expectedFlash (4));
        check (difference.isEmpty(), "the flash holds the four pages written before the fault and nothing else " + difference);
        // The search's, erase, address 0, 4 × 130, then bytes 512 to 600: nothing after the fault.
        check (log.contains (emulatorSummary (searchCommands + 2 + 4 * 130 + 89, 4)), "nothing is sent after the unanswered byte");
    }

    constexpr int commandsPerUpload = 25222;
    std::printf ("FIGURES search_ms=%.0f pairs=%d upload_ms=%.0f commands=%d us_per_command=%.1f\n",
                 searchMs, figures.numPairs, figures.uploadMs, commandsPerUpload,
                 figures.uploadMs * 1000.0 / commandsPerUpload);

    device.close (0);
    std::printf ("%d passed, %d failed\n", numPassed, numFailed);
    return numFailed == 0 && numPassed > 0 ? 0 : 1;
}

} // namespace
} // namespace zarvel

int main (int argc, char** argv)
{
    const juce::StringArray args (argv + 1, argc - 1);

    if (args.size() == 2 && args[0] == "--compare-flash")
    {
        const auto difference = zarvel::compareFlash (juce::File (args[1]), zarvel::expectedFlash (194));
        std::printf ("%s\n", difference.isEmpty() ? "the flash equals the carried image" : difference.toRawUTF8());
        return difference.isEmpty() ? 0 : 1;
    }

    if (args.size() == 4 && args[0] == "--emulator" && args[2] == "--work")
        return zarvel::run (args[1], juce::File (args[3]));

    std::fprintf (stderr, "usage: %s --emulator PATH --work DIR | --compare-flash FILE\n", argv[0]);
    return 2;
}
