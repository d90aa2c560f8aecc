#include "app/EmbeddedImages.h"

#include "app/CarriedPictures.h"
#include "app/Pellam.h"
#include "app/PictureDecoding.h"

#include <map>

namespace zarvel
{

namespace
{
    std::map<int, EmbeddedImage> embeddedImages;
}

void registerEmbeddedImage (int id, const juce::String& name, int size, const void* data)
{
    // emplace keeps the first record of an id.
    embeddedImages.emplace (id, EmbeddedImage { name, size, data });
}

const EmbeddedImage* findEmbeddedImage (int id)
{
    const auto found = embeddedImages.find (id);
    return found != embeddedImages.end() ? &found->second : nullptr;
}

juce::Image getEmbeddedImage (int id)
{
    const auto* record = findEmbeddedImage (id);

    if (record == nullptr)
        return {};

    if (record->size > 0)
    {
        // Decoded where the bytes lie; a fresh picture on every call.
        auto picture = decodePicture (record->data, (size_t) record->size);

        if (picture.isValid())
            return picture;
    }

    return loadImageFromResources (*record);
}

juce::Image loadImageFromResources (const EmbeddedImage& record)
{
    return loadCachedPicture (juce::File (Pellam::getResourcesDirectory() + record.name));
}

void clearEmbeddedImages()
{
    embeddedImages.clear();
}

//==============================================================================
void Pellam::registerImages()
{
    registerEmbeddedImage (backgroundImageId, "Zarvel.png", backgroundPictureSize, backgroundPicture);
    registerEmbeddedImage (aboutImageId, "About.png", aboutPictureSize, aboutPicture);
}

juce::String Pellam::getResourcesDirectory()
{
    // Taken once: a later change of the working directory must not move the fallback files.
    static const juce::String directory = juce::File::getCurrentWorkingDirectory().getFullPathName()
                                            + "/" + "Resources/";
    return directory;
}

} // namespace zarvel
