#pragma once

#include <juce_graphics/juce_graphics.h>

namespace zarvel
{

/** A picture carried in the program, registered under an id. */
struct EmbeddedImage
{
    juce::String name;        // also the name of its fallback file under "Resources/"
    int size = 0;             // 0 or less: nothing to decode
    const void* data = nullptr;
};

constexpr int backgroundImageId = 0;
constexpr int aboutImageId = 2;

/** Does nothing when the id is registered already. */
void registerEmbeddedImage (int id, const juce::String& name, int size, const void* data);

/** Null when the id is not registered. */
const EmbeddedImage* findEmbeddedImage (int id);

/** Decodes the carried bytes, or falls back to the file of the record's name in
    the resources directory. An invalid image when neither gives a picture.
*/
juce::Image getEmbeddedImage (int id);

juce::Image loadImageFromResources (const EmbeddedImage& record);

void clearEmbeddedImages();

} // namespace zarvel
