#include "app/ImageComponent.h"

#include "app/PictureDecoding.h"

namespace zarvel
{

ImageComponent::ImageComponent (const juce::Image& picture)
    : image (picture)
{
    ImageComponent::sizeToImage();
}

ImageComponent::ImageComponent (const juce::String& path)
    : image (loadCachedPicture (juce::File::getCurrentWorkingDirectory().getChildFile (path)))
{
    ImageComponent::sizeToImage();
}

ImageComponent::~ImageComponent() = default;

void ImageComponent::sizeToImage()
{
    if (image.isValid())
        setSize (image.getWidth(), image.getHeight());
}

void ImageComponent::paint (juce::Graphics& g)
{
    juce::Component::paint (g);

    if (! image.isValid())
        return;

    const auto w = image.getWidth();
    const auto h = image.getHeight();

    // The picture's own pixels, one for one: never scaled to the component's bounds.
    g.drawImage (image, 0, 0, w, h, 0, 0, w, h, false);
}

} // namespace zarvel
