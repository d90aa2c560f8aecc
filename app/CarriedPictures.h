#pragma once

namespace zarvel
{

/** The PNG files in resources/, as compiled into the program. */
extern const unsigned char backgroundPicture[];
extern const int backgroundPictureSize;

extern const unsigned char aboutPicture[];
extern const int aboutPictureSize;

} // namespace zarvel
