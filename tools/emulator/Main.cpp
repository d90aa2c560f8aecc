// A Zarvel unit in update mode on the ALSA sequencer, for trying the updater
// without the unit. See the README ("Trying the updater without a unit").

#include "tools/emulator/SequencerUnit.h"

#include <sys/signalfd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <string>
#include <unistd.h>

namespace
{

const char* const usage =
    "usage: zarvel-unit-emulator [options]\n"
    "  --flash FILE       write what the flash holds to FILE on SIGUSR1 and at exit\n"
    "  --fault FAULT      misbehave: LETTER:OCCURRENCE:FAULT (e.g. c:300:no-reply, the\n"
    "                     301st \"c\" command) or INDEX:FAULT (0 = first command); repeatable\n"
    "  --version N        version number the unit reports (default 1)\n"
    "  --name TEXT        port name (default \"Zarvel (emulated) - update mode\")\n"
    "  --quiet            print only errors and the summary\n"
    "faults: no-reply ack-lost late-reply echo wrong-prefix refuse split-reply extra-after-ack\n"
    "        over-long leading-bytes\n"
    "Stops on SIGINT or SIGTERM.\n";

bool writeFlash (const zarvel::ZarvelUnitModel& unit, const std::string& path)
{
    // Written beside and renamed, so that a reader never sees half a flash.
    const auto partial = path + ".partial";
    auto* file = std::fopen (partial.c_str(), "wb");

    if (file == nullptr)
        return false;

    const auto& flash = unit.getFlash();
    const bool written = std::fwrite (flash.data(), 1, flash.size(), file) == flash.size();

    if (std::fclose (file) != 0 || ! written)
        return false;

    return std::rename (partial.c_str(), path.c_str()) == 0;
}

} // namespace

int main (int argc, char** argv)
{
    std::string flashPath, portName = "Zarvel (emulated) - update mode";
    std::vector<std::string> faults;
    int version = 1;
    bool quiet = false;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;

        if (arg == "--flash" && hasValue)           flashPath = argv[++i];
        else if (arg == "--fault" && hasValue)      faults.emplace_back (argv[++i]);
        else if (arg == "--name" && hasValue)       portName = argv[++i];
        else if (arg == "--version" && hasValue)    version = std::atoi (argv[++i]);
        else if (arg == "--quiet")                  quiet = true;
        else
        {
            std::fputs (usage, arg == "--help" ? stdout : stderr);
            return arg == "--help" ? 0 : 2;
        }
    }

    if (version < 0 || version > 127)
    {
        std::fprintf (stderr, "zarvel-unit-emulator: the version must be 0 to 127\n");
        return 2;
    }

    zarvel::ZarvelUnitModel unit ((std::uint8_t) version);

    for (const auto& fault : faults)
    {
        if (! unit.injectFault (fault))
        {
            std::fprintf (stderr, "zarvel-unit-emulator: fault not understood: %s\n%s", fault.c_str(), usage);
            return 2;
        }
    }

    // The signals are taken through a descriptor, so that they are handled in
    // the loop and never in the middle of an answer.
    sigset_t signals;
    sigemptyset (&signals);
    sigaddset (&signals, SIGINT);
    sigaddset (&signals, SIGTERM);
    sigaddset (&signals, SIGHUP);
    sigaddset (&signals, SIGUSR1);
    sigprocmask (SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd (-1, &signals, SFD_CLOEXEC);

    zarvel::SequencerUnit sequencerUnit (unit, "Zarvel Unit Emulator", portName);

    if (! sequencerUnit.isValid() || signalFd < 0)
    {
        std::fprintf (stderr, "zarvel-unit-emulator: %s\n",
                      signalFd < 0 ? std::strerror (errno) : sequencerUnit.getError().c_str());
        return 1;
    }

    std::printf ("Zarvel unit emulator ready on sequencer port %d:%d \"%s\"%s\n",
                 sequencerUnit.getClient(), sequencerUnit.getPort(), portName.c_str(),
                 faults.empty() ? "" : " (with faults)");
    std::fflush (stdout);

    auto fds = sequencerUnit.getPollDescriptors();
    fds.push_back ({ signalFd, POLLIN, 0 });
    int pageWritesShown = 0;
    bool ok = true;

    for (bool running = true; running;)
    {
        if (poll (fds.data(), (nfds_t) fds.size(), -1) < 0 && errno != EINTR)
        {
            std::perror ("zarvel-unit-emulator: poll");
            ok = false;
            break;
        }

        sequencerUnit.handlePendingEvents();

        if (! quiet && unit.getNumPageWrites() != pageWritesShown)
        {
            pageWritesShown = unit.getNumPageWrites();
            std::printf ("pages written: %d\n", pageWritesShown);
            std::fflush (stdout);
        }

        if ((fds.back().revents & POLLIN) == 0)
            continue;

        signalfd_siginfo info {};

        if (read (signalFd, &info, sizeof (info)) != (ssize_t) sizeof (info))
            continue;

        running = info.ssi_signo == SIGUSR1;

        if (! flashPath.empty())
        {
            if (writeFlash (unit, flashPath))
            {
                std::printf ("flash written to %s\n", flashPath.c_str());
            }
            else
            {
                std::fprintf (stderr, "zarvel-unit-emulator: cannot write %s: %s\n", flashPath.c_str(), std::strerror (errno));
                ok = false;
            }

            std::fflush (stdout);
        }
    }

    std::printf ("received %d commands, %d pages written\n", sequencerUnit.getNumCommands(), unit.getNumPageWrites());
    close (signalFd);
    return ok ? 0 : 1;
}
