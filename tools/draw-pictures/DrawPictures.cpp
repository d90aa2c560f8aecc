// Draws the two pictures the program carries and writes them as PNG files:
//   zarvel_draw_pictures [output folder, default "resources"]
// writes Zarvel.png (the wizard's background, 550 x 371) and About.png (431 x 191).
// The drawing is deterministic; the same fonts (fonts-urw-base35 for the name,
// fonts-dejavu-core for the rest) give the same files.

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace
{
using juce::Colour;
using juce::ColourGradient;
using juce::Graphics;
using juce::Path;
using juce::Rectangle;

const Colour amber { 0xffffa030 };
const Colour amberDim { 0xff6a3c0c };
const Colour silver { 0xffd8dce2 };
const Colour panelTop { 0xff3a3f48 };
const Colour panelBottom { 0xff272b32 };

constexpr float pi = juce::MathConstants<float>::pi;

juce::Font nameFont (float height)
{
    juce::Font font ("URW Gothic", height, juce::Font::plain);
    font.setTypefaceStyle ("Demi");

    if (font.getTypefaceName() != "URW Gothic")
        font = juce::Font ("DejaVu Sans", height, juce::Font::bold);

    return font;
}

juce::Font plainFont (float height, int style = juce::Font::plain)
{
    return juce::Font ("DejaVu Sans", height, style);
}

juce::Font monoFont (float height)
{
    return juce::Font ("DejaVu Sans Mono", height, juce::Font::bold);
}

void drawSpacedText (Graphics& g, const juce::String& text, juce::Font font, float kerning,
                     Rectangle<float> area, juce::Justification justification)
{
    font.setExtraKerningFactor (kerning);
    g.setFont (font);
    g.drawText (text, area, justification, false);
}

// The dark, calm ground behind everything.
void fillGround (Graphics& g, Rectangle<float> area, Colour top, Colour bottom)
{
    g.setGradientFill (ColourGradient::vertical (top, area.getY(), bottom, area.getBottom()));
    g.fillRect (area);

    // A soft light from above the middle.
    ColourGradient glow (Colour (0x1a8090a8), area.getCentreX(), area.getY() - 40.0f,
                         Colour (0x008090a8), area.getCentreX(), area.getY() + area.getHeight() * 0.9f, true);
    g.setGradientFill (glow);
    g.fillRect (area);
}

// Fine horizontal grain, as on brushed aluminium.
void brush (Graphics& g, Rectangle<float> area, juce::Random& random, float strength)
{
    for (auto y = area.getY(); y < area.getBottom(); y += 1.0f)
    {
        const auto light = random.nextBool();
        g.setColour ((light ? juce::Colours::white : juce::Colours::black)
                         .withAlpha (strength * (0.3f + random.nextFloat())));
        const auto x = area.getX() + random.nextFloat() * 30.0f;
        g.fillRect (x, y, area.getRight() - x - random.nextFloat() * 30.0f, 1.0f);
    }
}

void drawKnob (Graphics& g, juce::Point<float> centre, float radius, float value, juce::Random& random)
{
    const auto start = -0.75f * pi;
    const auto end = 0.75f * pi;
    const auto angle = start + value * (end - start);

    // Value ring: dim track, lit part up to the value.
    Path track;
    track.addCentredArc (centre.x, centre.y, radius + 4.0f, radius + 4.0f, 0.0f, start, end, true);
    g.setColour (Colour (0xff15171b));
    g.strokePath (track, juce::PathStrokeType (2.6f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));

    Path lit;
    lit.addCentredArc (centre.x, centre.y, radius + 4.0f, radius + 4.0f, 0.0f, start, angle, true);
    g.setColour (amber.withAlpha (0.25f));
    g.strokePath (lit, juce::PathStrokeType (5.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    g.setColour (amber);
    g.strokePath (lit, juce::PathStrokeType (2.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));

    // Shadow, skirt and cap.
    g.setColour (juce::Colours::black.withAlpha (0.5f));
    g.fillEllipse (centre.x - radius, centre.y - radius + 2.0f, radius * 2.0f, radius * 2.0f);

    ColourGradient skirt (Colour (0xff5a606a), centre.x, centre.y - radius,
                          Colour (0xff121417), centre.x, centre.y + radius, false);
    g.setGradientFill (skirt);
    g.fillEllipse (centre.x - radius, centre.y - radius, radius * 2.0f, radius * 2.0f);

    const auto cap = radius * 0.78f;
    ColourGradient capFill (Colour (0xff4a4f58), centre.x - cap * 0.5f, centre.y - cap,
                            Colour (0xff1c1f24), centre.x + cap * 0.5f, centre.y + cap, false);
    g.setGradientFill (capFill);
    g.fillEllipse (centre.x - cap, centre.y - cap, cap * 2.0f, cap * 2.0f);

    // Knurling on the cap's rim.
    for (int i = 0; i < 24; ++i)
    {
        const auto a = (float) i * 2.0f * pi / 24.0f + random.nextFloat() * 0.02f;
        const auto inner = centre.getPointOnCircumference (cap * 0.82f, a);
        const auto outer = centre.getPointOnCircumference (cap * 0.98f, a);
        g.setColour (juce::Colours::white.withAlpha (0.06f));
        g.drawLine ({ inner, outer }, 0.8f);
    }

    g.setColour (juce::Colours::white.withAlpha (0.18f));
    g.drawEllipse (centre.x - cap, centre.y - cap, cap * 2.0f, cap * 2.0f, 0.6f);

    // Pointer.
    const auto from = centre.getPointOnCircumference (cap * 0.25f, angle);
    const auto to = centre.getPointOnCircumference (cap * 0.92f, angle);
    g.setColour (juce::Colours::white.withAlpha (0.9f));
    g.drawLine ({ from, to }, juce::jmax (1.5f, radius * 0.14f));
}

void drawLedButton (Graphics& g, Rectangle<float> area, Colour led, bool lit)
{
    g.setColour (juce::Colours::black.withAlpha (0.55f));
    g.fillRoundedRectangle (area.translated (0.0f, 1.5f), 2.5f);

    g.setGradientFill (ColourGradient::vertical (Colour (0xff4b5059), area.getY(), Colour (0xff2a2d33), area.getBottom()));
    g.fillRoundedRectangle (area, 2.5f);
    g.setColour (juce::Colours::white.withAlpha (0.12f));
    g.drawHorizontalLine ((int) area.getY(), area.getX() + 2.0f, area.getRight() - 2.0f);

    const auto ledArea = area.reduced (area.getWidth() * 0.22f, area.getHeight() * 0.34f);

    if (lit)
    {
        g.setColour (led.withAlpha (0.28f));
        g.fillRoundedRectangle (ledArea.expanded (3.0f, 2.5f), 3.0f);
        g.setColour (led);
    }
    else
    {
        g.setColour (led.darker (2.2f).withAlpha (0.9f));
    }

    g.fillRoundedRectangle (ledArea, 1.2f);
}

void drawFader (Graphics& g, float x, float top, float bottom, float value)
{
    // Scale ticks on the left.
    for (int i = 0; i <= 8; ++i)
    {
        const auto y = juce::jmap ((float) i, 0.0f, 8.0f, top + 4.0f, bottom - 4.0f);
        g.setColour (juce::Colours::white.withAlpha (i % 4 == 0 ? 0.35f : 0.16f));
        g.fillRect (x - 11.0f, y, i % 4 == 0 ? 5.0f : 3.0f, 1.0f);
    }

    // Slot.
    const Rectangle<float> slot (x - 2.0f, top, 4.0f, bottom - top);
    g.setColour (Colour (0xff0b0c0e));
    g.fillRoundedRectangle (slot, 2.0f);
    g.setColour (juce::Colours::white.withAlpha (0.09f));
    g.drawHorizontalLine ((int) bottom, slot.getX(), slot.getRight());

    // Cap.
    const auto capY = juce::jmap (value, bottom - 6.0f, top + 6.0f);
    const Rectangle<float> cap (x - 10.0f, capY - 6.5f, 20.0f, 13.0f);

    g.setColour (juce::Colours::black.withAlpha (0.55f));
    g.fillRoundedRectangle (cap.translated (0.0f, 3.0f).expanded (1.0f), 2.5f);

    ColourGradient capFill (Colour (0xff6a707a), 0.0f, cap.getY(), Colour (0xff2b2f36), 0.0f, cap.getBottom(), false);
    capFill.addColour (0.48, Colour (0xff4c525b));
    capFill.addColour (0.52, Colour (0xff22252a));
    g.setGradientFill (capFill);
    g.fillRoundedRectangle (cap, 2.5f);

    g.setColour (juce::Colours::white.withAlpha (0.85f));
    g.fillRect (cap.getX() + 2.0f, cap.getCentreY() - 0.5f, cap.getWidth() - 4.0f, 1.0f);
    g.setColour (juce::Colours::white.withAlpha (0.2f));
    g.drawHorizontalLine ((int) cap.getY(), cap.getX() + 2.0f, cap.getRight() - 2.0f);
}

void drawDisplay (Graphics& g, Rectangle<float> area, juce::Random& random)
{
    // Bezel, glass and a faint glow of the lit characters.
    g.setColour (Colour (0xff0a0b0d));
    g.fillRoundedRectangle (area, 3.5f);
    g.setColour (juce::Colours::white.withAlpha (0.1f));
    g.drawRoundedRectangle (area.translated (0.0f, 0.5f), 3.5f, 0.8f);

    const auto screen = area.reduced (3.0f);
    g.setGradientFill (ColourGradient::vertical (Colour (0xff1d1408), screen.getY(), Colour (0xff120c04), screen.getBottom()));
    g.fillRoundedRectangle (screen, 2.0f);

    auto lines = screen.reduced (6.0f, 3.0f);
    const auto top = lines.removeFromTop (lines.getHeight() * 0.5f);

    for (auto pass = 0; pass < 2; ++pass)
    {
        g.setColour (pass == 0 ? amber.withAlpha (0.25f) : amber);
        const auto offset = pass == 0 ? 0.6f : 0.0f;
        drawSpacedText (g, "ZARVEL  CS", monoFont (10.0f), 0.12f, top.translated (offset, offset), juce::Justification::centredLeft);
        drawSpacedText (g, "MIDI", monoFont (10.0f), 0.12f, top.translated (offset, offset), juce::Justification::centredRight);
    }

    // A level meter on the second line.
    const auto segments = 18;
    const auto width = lines.getWidth() / (float) segments;

    for (int i = 0; i < segments; ++i)
    {
        const auto on = i < 12 + random.nextInt (2);
        const Rectangle<float> segment (lines.getX() + (float) i * width, lines.getCentreY() - 2.5f, width - 1.6f, 5.0f);
        g.setColour (on ? amber.withAlpha (i > 13 ? 1.0f : 0.85f) : amberDim.withAlpha (0.45f));
        g.fillRect (segment);
    }

    // Glass reflection.
    g.setGradientFill (ColourGradient::vertical (juce::Colours::white.withAlpha (0.07f), screen.getY(),
                                                 juce::Colours::white.withAlpha (0.0f), screen.getCentreY()));
    g.fillRoundedRectangle (screen, 2.0f);
}

void drawTransportButton (Graphics& g, Rectangle<float> area, int symbol)
{
    g.setColour (juce::Colours::black.withAlpha (0.55f));
    g.fillRoundedRectangle (area.translated (0.0f, 1.5f), 3.0f);
    g.setGradientFill (ColourGradient::vertical (Colour (0xff4d535c), area.getY(), Colour (0xff2b2e34), area.getBottom()));
    g.fillRoundedRectangle (area, 3.0f);
    g.setColour (juce::Colours::white.withAlpha (0.14f));
    g.drawHorizontalLine ((int) area.getY(), area.getX() + 3.0f, area.getRight() - 3.0f);

    const auto c = area.getCentre();
    const auto s = 3.6f;
    Path icon;

    switch (symbol)
    {
        case 0: // back
            icon.addTriangle (c.x - 0.5f, c.y - s, c.x - 0.5f, c.y + s, c.x - 6.0f, c.y);
            icon.addTriangle (c.x + 5.0f, c.y - s, c.x + 5.0f, c.y + s, c.x - 0.5f, c.y);
            break;
        case 1: // forward
            icon.addTriangle (c.x + 0.5f, c.y - s, c.x + 0.5f, c.y + s, c.x + 6.0f, c.y);
            icon.addTriangle (c.x - 5.0f, c.y - s, c.x - 5.0f, c.y + s, c.x + 0.5f, c.y);
            break;
        case 2: // stop
            icon.addRectangle (c.x - 3.2f, c.y - 3.2f, 6.4f, 6.4f);
            break;
        case 3: // play
            icon.addTriangle (c.x - 3.0f, c.y - s - 0.4f, c.x - 3.0f, c.y + s + 0.4f, c.x + 4.5f, c.y);
            break;
        default: // record
            icon.addEllipse (c.x - 3.6f, c.y - 3.6f, 7.2f, 7.2f);
            break;
    }

    if (symbol == 4)
    {
        g.setColour (Colour (0xffe5402a).withAlpha (0.3f));
        g.fillEllipse (c.x - 6.0f, c.y - 6.0f, 12.0f, 12.0f);
        g.setColour (Colour (0xffff5a3c));
    }
    else if (symbol == 3)
    {
        g.setColour (Colour (0xff7ee08a));
    }
    else
    {
        g.setColour (silver.withAlpha (0.85f));
    }

    g.fillPath (icon);
}

void drawWordmark (Graphics& g, Rectangle<float> area, float height)
{
    const auto font = nameFont (height);

    // Engraved: a dark shadow below, silver above.
    g.setColour (juce::Colours::black.withAlpha (0.6f));
    drawSpacedText (g, "ZARVEL", font, 0.14f, area.translated (0.0f, 1.5f), juce::Justification::centredLeft);

    juce::GlyphArrangement glyphs;
    auto spaced = font;
    spaced.setExtraKerningFactor (0.14f);
    glyphs.addFittedText (spaced, "ZARVEL", area.getX(), area.getY(), area.getWidth(), area.getHeight(),
                          juce::Justification::centredLeft, 1, 1.0f);
    Path text;
    glyphs.createPath (text);

    const auto bounds = text.getBounds();
    ColourGradient metal (Colour (0xfff4f6f8), 0.0f, bounds.getY(), Colour (0xff9aa1ab), 0.0f, bounds.getBottom(), false);
    metal.addColour (0.55, Colour (0xffc9ced6));
    g.setGradientFill (metal);
    g.fillPath (text);
}

void drawControlSurface (Graphics& g, juce::Random& random)
{
    const Rectangle<float> body (22.0f, 14.0f, 506.0f, 142.0f);
    const Rectangle<float> front (22.0f, 150.0f, 506.0f, 14.0f);

    // Shadow on the ground beneath the unit.
    {
        Path footprint;
        footprint.addRoundedRectangle (body.getUnion (front).reduced (6.0f, 0.0f), 10.0f);
        juce::DropShadow (juce::Colours::black.withAlpha (0.85f), 22, { 0, 10 }).drawForPath (g, footprint);
    }

    // Front edge: the unit's thickness.
    g.setGradientFill (ColourGradient::vertical (Colour (0xff1d2026), front.getY(), Colour (0xff0f1013), front.getBottom()));
    g.fillRoundedRectangle (front, 8.0f);

    // Top face, brushed.
    Path face;
    face.addRoundedRectangle (body, 9.0f);
    g.setGradientFill (ColourGradient::vertical (panelTop, body.getY(), panelBottom, body.getBottom()));
    g.fillPath (face);
    {
        Graphics::ScopedSaveState state (g);
        g.reduceClipRegion (face);
        brush (g, body, random, 0.022f);

        // End cheeks.
        for (const auto cheek : { body.withWidth (14.0f), body.withLeft (body.getRight() - 14.0f) })
        {
            g.setGradientFill (ColourGradient::horizontal (Colour (0xff1a1c20), cheek.getX(), Colour (0xff24272c), cheek.getRight()));
            g.fillRect (cheek);
        }
    }

    g.setColour (juce::Colours::white.withAlpha (0.22f));
    g.drawHorizontalLine ((int) body.getY(), body.getX() + 9.0f, body.getRight() - 9.0f);
    g.setColour (juce::Colours::black.withAlpha (0.6f));
    g.drawHorizontalLine ((int) body.getBottom(), body.getX() + 6.0f, body.getRight() - 6.0f);

    // Left module: name, display, transport.
    drawWordmark (g, { 46.0f, 22.0f, 150.0f, 38.0f }, 34.0f);
    g.setColour (silver.withAlpha (0.5f));
    drawSpacedText (g, "CONTROL SURFACE", plainFont (8.0f, juce::Font::bold), 0.32f,
                    { 47.0f, 57.0f, 150.0f, 10.0f }, juce::Justification::centredLeft);

    drawDisplay (g, { 46.0f, 74.0f, 146.0f, 40.0f }, random);

    for (int i = 0; i < 5; ++i)
        drawTransportButton (g, { 46.0f + (float) i * 30.0f, 124.0f, 26.0f, 17.0f }, i);

    // Divider between the modules.
    g.setColour (juce::Colours::black.withAlpha (0.5f));
    g.fillRect (205.0f, 24.0f, 1.0f, 122.0f);
    g.setColour (juce::Colours::white.withAlpha (0.08f));
    g.fillRect (206.0f, 24.0f, 1.0f, 122.0f);

    // Eight channel strips.
    const float knobValues[] = { 0.62f, 0.35f, 0.8f, 0.5f, 0.2f, 0.7f, 0.45f, 0.9f };
    const float faderValues[] = { 0.72f, 0.55f, 0.8f, 0.4f, 0.62f, 0.3f, 0.66f, 0.85f };
    const bool lit[] = { true, false, false, true, false, false, true, false };

    for (int i = 0; i < 8; ++i)
    {
        const auto x = 232.0f + (float) i * 36.0f;

        drawKnob (g, { x, 38.0f }, 10.5f, knobValues[i], random);
        drawLedButton (g, { x - 11.0f, 60.0f, 22.0f, 11.0f }, amber, lit[i]);

        g.setColour (silver.withAlpha (0.4f));
        drawSpacedText (g, juce::String (i + 1), plainFont (7.5f, juce::Font::bold), 0.0f,
                        { x + 8.0f, 76.0f, 10.0f, 9.0f }, juce::Justification::centredLeft);

        drawFader (g, x, 80.0f, 144.0f, faderValues[i]);
    }

    // A faint reflection of the front edge on the ground.
    g.setGradientFill (ColourGradient::vertical (Colour (0x14a0b0c8), front.getBottom() + 1.0f,
                                                 Colour (0x00a0b0c8), front.getBottom() + 9.0f));
    g.fillRect (front.getX() + 16.0f, front.getBottom() + 1.0f, front.getWidth() - 32.0f, 8.0f);
}

juce::Image drawBackground()
{
    juce::Image image (juce::Image::ARGB, 550, 371, true);
    Graphics g (image);
    juce::Random random (20260101);

    fillGround (g, image.getBounds().toFloat(), Colour (0xff1e2127), Colour (0xff0b0c0f));
    drawControlSurface (g, random);

    // A thin amber line fading out at both ends sets the surface apart from the page below.
    ColourGradient line (amber.withAlpha (0.0f), 40.0f, 0.0f, amber.withAlpha (0.0f), 510.0f, 0.0f, false);
    line.addColour (0.5, amber.withAlpha (0.35f));
    g.setGradientFill (line);
    g.fillRect (40.0f, 174.0f, 470.0f, 1.0f);

    return image;
}

juce::Image drawAbout()
{
    juce::Image image (juce::Image::ARGB, 431, 191, true);
    Graphics g (image);
    juce::Random random (20260102);

    fillGround (g, image.getBounds().toFloat(), Colour (0xff20242a), Colour (0xff0c0d10));

    // A large knob at the left, standing for the unit.
    g.setColour (Colour (0xff16181c));
    g.fillEllipse (16.0f, 49.0f, 88.0f, 88.0f);
    drawKnob (g, { 60.0f, 93.0f }, 33.0f, 0.72f, random);

    // The name above the text, with the amber rule below it.
    drawWordmark (g, { 124.0f, 8.0f, 200.0f, 28.0f }, 24.0f);

    ColourGradient rule (amber.withAlpha (0.7f), 124.0f, 0.0f, amber.withAlpha (0.0f), 420.0f, 0.0f, false);
    g.setGradientFill (rule);
    g.fillRect (124.0f, 39.0f, 296.0f, 1.0f);

    // A dim row of meter segments at the foot.
    for (int i = 0; i < 22; ++i)
    {
        const auto on = i < 15;
        g.setColour (on ? amber.withAlpha (0.16f + 0.02f * (float) i) : amberDim.withAlpha (0.3f));
        g.fillRect (124.0f + (float) i * 13.0f, 160.0f, 10.0f, 4.0f);
    }

    return image;
}

bool writePng (const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream out (file);

    if (! out.openedOk())
        return false;

    juce::PNGImageFormat png;
    return png.writeImageToStream (image, out);
}

} // namespace

int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juce;

    const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile (argc > 1 ? argv[1] : "resources");
    folder.createDirectory();

    const auto ok = writePng (drawBackground(), folder.getChildFile ("Zarvel.png"))
                 && writePng (drawAbout(), folder.getChildFile ("About.png"));

    if (! ok)
    {
        std::cerr << "could not write the pictures to " << folder.getFullPathName() << '\n';
        return 1;
    }

    std::cout << "wrote " << folder.getChildFile ("Zarvel.png").getFullPathName() << " and About.png\n";
    return 0;
}
