// Bringing the user's photograph into the design: TIFF through our own
// reader, JPEG through libjpeg-turbo (turned upright by its Exif
// Orientation), PNG through libpng, all into sRGB and then Rgb8.
#pragma once

#include <cstdint>
#include <string>

#include "core/icc.h"
#include "scene/settings.h"

// PictureFileType
constexpr int32_t kPictureTiff = 1;
constexpr int32_t kPictureJpeg = 2;
constexpr int32_t kPicturePng = 3;
constexpr int32_t kPictureUnknown = -1;

// From the file name's extension, in any mix of capitals: "tif"/"tiff" give
// kPictureTiff, "jpg"/"jpeg"/"jpe" give kPictureJpeg, "png" kPicturePng,
// anything else (or no extension) kPictureUnknown.
int32_t PictureFileTypeOf(const std::string& path);

// Makes the file the design's picture: replaces the raster (Rgb8 in sRGB) and
// the path, sets the four border widths to 0, remembers the file's folder in
// `lastInputFolder` and recomputes the overall size. `inputProfile` receives
// the file's embedded profile. 0 on success; 1 after showing the message,
// with raster, path, border and folder as they were.
int LoadPicture(const std::string& path, int32_t type, SceneSettings* scene, IccProfile* inputProfile,
                std::string* lastInputFolder);
