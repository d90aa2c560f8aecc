#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace zarvel
{

class PellamWindow;
class XEventQueueWatch;

/** The application: its name and versions, the main window and the quit rule. */
class Pellam : public juce::JUCEApplication
{
public:
    Pellam();
    ~Pellam() override;

    void initialise (const juce::String& commandLine) override;
    void shutdown() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;

    /** Closes the device and quits, unless an upload runs. */
    virtual void quitIfIdle();

    static Pellam* getInstance();
    PellamWindow* getMainWindow();
    juce::String getFirmwareVersion();

    /** Registers the two carried pictures. */
    static void registerImages();

    /** "<working directory>/Resources/", taken on the first call and kept. */
    static juce::String getResourcesDirectory();

protected:
    /** Asks the runner to leave its message loop; quitIfIdle's last step. */
    virtual void requestQuit();

    /** The main window that initialise opens. */
    virtual std::unique_ptr<PellamWindow> createMainWindow();

private:
    friend class PellamWindow; // its destruction asks to quit, as the quit rule does

    PellamWindow* mainWindow = nullptr;
    std::unique_ptr<XEventQueueWatch> xEventQueueWatch;
    bool quitRequested = false;

    JUCE_DECLARE_NON_COPYABLE (Pellam)
};

} // namespace zarvel
