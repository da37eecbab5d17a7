// JPEG thumbnails of pictures, for uploads; free of any window class.
#pragma once

#include <cstdint>

#include "platform/framework/Graphics.h"
#include "platform/framework/Streams.h"

namespace zu {

// Writes Picture as a JPEG thumbnail that fits Width x Height (never enlarged) at Quality
// (1..100) at Stream's position. With KeepSmaller, Stream is emptied first, and when the
// picture's own file image is strictly smaller than the JPEG, that image is written instead.
void WriteThumbnailedImageToStream(TStream& Stream, const TPicture& Picture, std::uint16_t Width,
                                   std::uint16_t Height, int Quality, bool KeepSmaller);

}  // namespace zu
