#include "app/PictureDecoding.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace zarvel
{

namespace
{
    // Far beyond any picture of ours; refuses headers that would ask for gigabytes.
    constexpr png_uint_32 maxSide = 4096;

    struct PngSource
    {
        const png_byte* data;
        size_t size, position;
    };

    void readFromSource (png_structp png, png_bytep out, size_t length)
    {
        auto& source = *static_cast<PngSource*> (png_get_io_ptr (png));

        if (length > source.size - source.position)
            png_error (png, "file ends early");

        std::memcpy (out, source.data + source.position, length);
        source.position += length;
    }

    // libpng takes memory for an ancillary chunk before it reads the chunk, as much
    // as its length claims: a damaged length asks for up to 2 GB. A chunk, up to the
    // end chunk, that claims more bytes than are left means the file is cut or
    // damaged, which libpng would find out only after asking.
    bool chunksLieWithin (const png_byte* data, size_t size)
    {
        for (size_t pos = 8; size - pos >= 12;)
        {
            const auto length = png_get_uint_32 (data + pos);

            if (length > size - pos - 12)
                return false;

            if (std::memcmp (data + pos + 4, "IEND", 4) == 0)
                return true;

            pos += 12 + length;
        }

        return false;
    }

    [[noreturn]] void unwindOnError (png_structp png, png_const_charp)   { png_longjmp (png, 1); }
    void ignoreWarning (png_structp, png_const_charp)                     {}

    // libpng reports errors by longjmp: a step runs in a frame that holds nothing
    // to destroy, and says whether it got through.
    using PngStep = void (*) (png_structp, png_infop, void*);

    bool runStep (png_structp png, png_infop info, PngStep step, void* context)
    {
        if (setjmp (png_jmpbuf (png)) != 0)
            return false;

        step (png, info, context);
        return true;
    }

    // As JUCE reads PNG: transparency in the file makes a picture with alpha.
    void readHeader (png_structp png, png_infop info, void* hasAlpha)
    {
        png_read_info (png, info);

        *static_cast<bool*> (hasAlpha) = (png_get_color_type (png, info) & PNG_COLOR_MASK_ALPHA) != 0
                                          || png_get_valid (png, info, PNG_INFO_tRNS) != 0;

        // Whatever the file holds, the rows come as 8-bit RGBA.
        png_set_expand (png);
        png_set_strip_16 (png);
        png_set_gray_to_rgb (png);
        png_set_add_alpha (png, 0xff, PNG_FILLER_AFTER);
        png_set_interlace_handling (png);
        png_read_update_info (png, info);
    }

    void readRows (png_structp png, png_infop info, void* rows)
    {
        png_read_image (png, static_cast<png_bytepp> (rows));

        // On to the end chunk, so that damage after the image data counts too.
        png_read_end (png, info);
    }

    class PngReader
    {
    public:
        PngReader()
            : png (png_create_read_struct (PNG_LIBPNG_VER_STRING, nullptr, unwindOnError, ignoreWarning)),
              info (png != nullptr ? png_create_info_struct (png) : nullptr)
        {
        }

        ~PngReader()    { png_destroy_read_struct (&png, &info, nullptr); }

        juce::Image read (const void* data, size_t size)
        {
            if (info == nullptr)
                return {};

            PngSource source { static_cast<const png_byte*> (data), size, 0 };
            png_set_read_fn (png, &source, readFromSource);
            png_set_user_limits (png, maxSide, maxSide);

            // A checksum that does not match is damage, in any chunk.
            png_set_crc_action (png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);

            bool hasAlpha = false;

            if (! runStep (png, info, readHeader, &hasAlpha))
                return {};

            const auto width = png_get_image_width (png, info);
            const auto height = png_get_image_height (png, info);

            if (width == 0 || height == 0 || png_get_rowbytes (png, info) != (size_t) width * 4)
                return {};

            std::vector<png_byte> pixels ((size_t) width * height * 4);
            std::vector<png_bytep> rows (height);

            for (png_uint_32 y = 0; y < height; ++y)
                rows[y] = pixels.data() + (size_t) y * width * 4;

            if (! runStep (png, info, readRows, rows.data()))
                return {};

            return toImage (pixels.data(), (int) width, (int) height, hasAlpha);
        }

    private:
        static juce::Image toImage (const png_byte* rgba, int width, int height, bool withAlpha)
        {
            juce::Image image (withAlpha ? juce::Image::ARGB : juce::Image::RGB, width, height, false);
            const juce::Image::BitmapData bitmap (image, juce::Image::BitmapData::writeOnly);

            for (int y = 0; y < height; ++y)
            {
                for (int x = 0; x < width; ++x, rgba += 4)
                {
                    auto* pixel = bitmap.getPixelPointer (x, y);

                    if (withAlpha)
                    {
                        auto* argb = reinterpret_cast<juce::PixelARGB*> (pixel);
                        argb->setARGB (rgba[3], rgba[0], rgba[1], rgba[2]);
                        argb->premultiply();
                    }
                    else
                    {
                        reinterpret_cast<juce::PixelRGB*> (pixel)->setARGB (0xff, rgba[0], rgba[1], rgba[2]);
                    }
                }
            }

            return image;
        }

        png_structp png;
        png_infop info;

        JUCE_DECLARE_NON_COPYABLE (PngReader)
    };
}

juce::Image decodePicture (const void* data, size_t size)
{
    const auto* bytes = static_cast<png_const_bytep> (data);

    if (bytes == nullptr || size < 8 || png_sig_cmp (bytes, 0, 8) != 0 || ! chunksLieWithin (bytes, size))
        return {};

    return PngReader().read (data, size);
}

juce::Image loadCachedPicture (const juce::File& file)
{
    // Keyed as JUCE's ImageCache keys files, so that every holder shares one picture.
    const auto hashCode = file.hashCode64();
    auto picture = juce::ImageCache::getFromHashCode (hashCode);

    if (picture.isNull())
    {
        juce::MemoryBlock bytes;

        if (! file.loadFileAsData (bytes))
            return {};

        picture = decodePicture (bytes.getData(), bytes.getSize());

        if (picture.isValid())
            juce::ImageCache::addImageToCache (picture, hashCode);
    }

    return picture;
}

} // namespace zarvel
