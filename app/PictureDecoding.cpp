#include "app/PictureDecoding.h"

#include <png.h>

#include <vector>

namespace zarvel
{

namespace
{
    // The four bytes by which JUCE picks its PNG reader.
    bool readAsPngByJuce (const void* data, size_t size)
    {
        const auto* bytes = static_cast<const juce::uint8*> (data);
        return size >= 4 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G';
    }

    // Far beyond any picture of ours; refuses headers that would ask for gigabytes.
    constexpr juce::uint64 maxPixels = 4096 * 4096;

    bool pngReadsCleanly (const void* data, size_t size)
    {
        png_image image {};
        image.version = PNG_IMAGE_VERSION;

        if (png_image_begin_read_from_memory (&image, data, size) == 0)
            return false;

        if ((juce::uint64) image.width * image.height > maxPixels)
        {
            png_image_free (&image);
            return false;
        }

        image.format = PNG_FORMAT_RGBA;
        std::vector<png_byte> pixels (PNG_IMAGE_SIZE (image));

        // Frees the reader's state itself, whether it succeeds or fails.
        return png_image_finish_read (&image, nullptr, pixels.data(), 0, nullptr) != 0;
    }

    bool safeToDecode (const void* data, size_t size)
    {
        return ! readAsPngByJuce (data, size) || pngReadsCleanly (data, size);
    }
}

juce::Image decodePicture (const void* data, size_t size)
{
    if (data == nullptr || ! safeToDecode (data, size))
        return {};

    return juce::ImageFileFormat::loadFrom (data, size);
}

juce::Image loadCachedPicture (const juce::File& file)
{
    juce::MemoryBlock bytes;

    if (! file.loadFileAsData (bytes) || ! safeToDecode (bytes.getData(), bytes.getSize()))
        return {};

    return juce::ImageCache::getFromFile (file);
}

} // namespace zarvel
