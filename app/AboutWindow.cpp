#include "app/AboutWindow.h"

#include "app/EmbeddedImages.h"
#include "app/ImageComponent.h"

namespace zarvel
{

namespace
{
    const juce::Colour windowColour { 0xff808080 };
    const juce::Colour labelTextColour { 0xfffaebd7 };

    // One font for every About box of the run; released with JUCE at shutdown.
    class AboutLabelFont : private juce::DeletedAtShutdown
    {
    public:
        AboutLabelFont() = default;
        ~AboutLabelFont() override    { clearSingletonInstance(); }

        const juce::Font font { 18.0f, juce::Font::plain };

        JUCE_DECLARE_SINGLETON_SINGLETHREADED_MINIMAL (AboutLabelFont)
    };

    JUCE_IMPLEMENT_SINGLETON (AboutLabelFont)

    const juce::String copyrightNotice = juce::CharPointer_UTF8 ("\xc2\xa9 2026 Zarvel Firmware Updater authors");

    // The copyright label reaches past the picture; its text is fitted to the part
    // that is seen (up to x 427 of the content) instead of being cut off.
    constexpr int copyrightRightBorder = 120 + 400 - 427;

    juce::String formatVersion (int major, int minor)
    {
        return juce::String::formatted ("%d.%02d", major, minor);
    }
}

AboutWindow::AboutWindow()
    : ModalDialog ("About Zarvel Firmware Updater...", windowColour, true)
{
}

AboutWindow::~AboutWindow() = default;

void AboutWindow::createContent()
{
    ModalDialog::createContent();
    setResizable (false, false);

    const auto picture = getEmbeddedImage (aboutImageId);

    if (picture.isValid())
    {
        centreWithSize (picture.getWidth() + 5, picture.getHeight() + 33);
        setContentOwned (new ImageComponent (picture), false);
    }

    createContents();
    centreWithSize (getWidth(), getHeight());
    setVisible (true);
}

void AboutWindow::createContents()
{
    auto* content = getContentComponent();

    if (content == nullptr)
        return;

    const auto& font = AboutLabelFont::getInstance()->font;
    const auto transparent = juce::Colours::black.withAlpha (0.0f);

    struct Row
    {
        const char* name;
        juce::String text;
        juce::Rectangle<int> bounds;
        juce::Label** field;
    };

    const Row rows[] =
    {
        { "",                     "Zarvel Firmware Updater",                        { 120,  45, 250, 20 }, nullptr },
        { "Application Version:", "Application Version : " + formatVersion (2, 1),  { 120,  70, 250, 20 }, &applicationVersionLabel },
        { "Firmware Version:",    "Firmware Version: " + formatVersion (1, 31),     { 120,  95, 300, 20 }, &firmwareVersionLabel },
        { "",                     copyrightNotice,                                  { 120, 120, 400, 20 }, nullptr },
    };

    // A second run replaces the content, which only detached the first run's labels.
    applicationVersionLabel = nullptr;
    firmwareVersionLabel = nullptr;
    labels.clear();

    for (const auto& row : rows)
    {
        auto* label = labels.add (new juce::Label (row.name, {}));

        if (row.field != nullptr)
            *row.field = label;

        label->setBounds (row.bounds);
        label->setColour (juce::Label::textColourId, labelTextColour);

        for (const auto id : { juce::Label::backgroundColourId, juce::Label::outlineColourId,
                               juce::Label::backgroundWhenEditingColourId, juce::Label::textWhenEditingColourId,
                               juce::Label::outlineWhenEditingColourId })
            label->setColour (id, transparent);

        label->setColour (juce::TextEditor::highlightColourId, transparent);
        label->setText (row.text, juce::dontSendNotification);
        label->setFont (font);
        content->addAndMakeVisible (label);
    }

    labels.getLast()->setBorderSize ({ 1, 5, 1, copyrightRightBorder });
}

} // namespace zarvel
