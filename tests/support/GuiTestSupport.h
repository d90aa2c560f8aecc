#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace zarvel::test
{

/** Runs the message loop until the condition holds or the time is up; says
    whether it holds. The limit is generous: sanitizer builds on two cores are slow.
*/
inline bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 60000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return condition();

        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }

    return true;
}

/** Runs the message loop for a while, whatever happens. */
inline void pumpFor (int ms)
{
    pumpUntil ([] { return false; }, ms);
}

inline bool hasDisplay()
{
    return juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isNotEmpty();
}

/** Works a synchronous menu or modal box from a timer while its loop runs. `step`
    is called every 20 ms until it returns true. Past the limit every menu is
    dismissed and the modal component ended with -1, so that a loop that would
    never end makes its test fail instead of hanging.
*/
class ModalDriver : private juce::Timer
{
public:
    explicit ModalDriver (std::function<bool()> stepToRun, int limitMs = 5000)
        : step (std::move (stepToRun)),
          deadline (juce::Time::getMillisecondCounter() + (juce::uint32) limitMs)
    {
        startTimer (20);
    }

    ~ModalDriver() override    { stopTimer(); }

    bool hasTimedOut() const noexcept    { return timedOut; }
    bool isFinished() const noexcept     { return finished; }

private:
    void timerCallback() override
    {
        if (juce::Time::getMillisecondCounter() > deadline)
        {
            timedOut = true;
            juce::PopupMenu::dismissAllActiveMenus();

            if (auto* modal = juce::Component::getCurrentlyModalComponent())
                modal->exitModalState (-1);

            return;
        }

        if (! finished && step())
            finished = true;
    }

    std::function<bool()> step;
    juce::uint32 deadline;
    bool timedOut = false;
    bool finished = false;
};

/** A temporary folder, removed with its content; the working directory is put
    back as it was.
*/
class ScratchFolder
{
public:
    ScratchFolder()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getNonexistentChildFile ("zarvel-test", {}, false)),
          previousWorkingDirectory (juce::File::getCurrentWorkingDirectory())
    {
        folder.createDirectory();
    }

    ~ScratchFolder()
    {
        previousWorkingDirectory.setAsCurrentWorkingDirectory();
        folder.deleteRecursively();
    }

    const juce::File& get() const noexcept    { return folder; }

private:
    juce::File folder;
    juce::File previousWorkingDirectory;
};

inline bool writePng (const juce::Image& image, const juce::File& file)
{
    file.getParentDirectory().createDirectory();
    file.deleteFile();
    juce::FileOutputStream out (file);
    return out.openedOk() && juce::PNGImageFormat().writeImageToStream (image, out);
}

inline juce::Image solidImage (int width, int height, juce::Colour colour)
{
    juce::Image image (juce::Image::ARGB, width, height, false);
    image.clear (image.getBounds(), colour);
    return image;
}

} // namespace zarvel::test
