#pragma once

#include <juce_core/juce_core.h>

namespace zarvel
{

/** The outcome of one upload, posted to the main window as a command message. */
constexpr int updateSucceededCommandId = 12345;
constexpr int updateFailedCommandId = 54321;

/** Runs one firmware upload off the message thread and posts its outcome to the
    main window. One object serves one upload.
*/
class FWUpdaterThread : public juce::Thread
{
public:
    FWUpdaterThread();

    /** Asks a running upload to stop and waits for it: the upload ends within a
        few reply waits, as it checks the request after every data byte.
    */
    ~FWUpdaterThread() override;

    void run() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FWUpdaterThread)
};

} // namespace zarvel
