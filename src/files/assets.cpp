#include "files/assets.h"

#include <array>

#include "core/fileio.h"
#include "core/hooks.h"
#include "files/tiff.h"
#include "scene/settings.h"
#include "scene/text.h"

namespace {

constexpr std::array<const char*, 6> kTextureFiles = {"", "Laid", "Suede", "Linen", "Canvas", "Burlap"};

// The order the files are read in, which is the order a user with a damaged
// installation sees the messages in; it is not the code order.
constexpr std::array<int32_t, kFrameStyleCount> kStyleLoadOrder = {0, 1, 5, 6, 2, 3, 4, 8, 9, 7, 10};

void LoadAsset(const std::string& programFolder, const std::string& relative, const char* missingFormat,
               const char* unreadableFormat, Image* image, IccProfile* inputProfile) {
  FreeImage(image);
  const std::string path = JoinPath(programFolder, relative);
  FileHandle file;
  if (OpenForRead(path, &file) != 0) {
    ShowError(FormatText(missingFormat, {path}));
    return;
  }
  if (ReadTiff(file, image, inputProfile) != 0) {
    FreeImage(image);
    ShowError(FormatText(unreadableFormat, {path}));
  }
}

}  // namespace

std::string TextureFileName(int32_t texture) {
  if (texture < 1 || texture >= static_cast<int32_t>(kTextureFiles.size())) return {};
  return std::string("Textures/") + kTextureFiles[texture] + ".tif";
}

std::string FrameTileFileName(int32_t finish, int32_t style, int32_t side) {
  if (finish < 0 || finish >= kFrameFinishCount || style < 0 || style >= kFrameStyleCount || side < 0 ||
      side >= static_cast<int32_t>(kFrameSideLabels.size())) {
    return {};
  }
  return std::string("Frames/") + kFrameFinishLabels[finish] + "/" + kFrameStyleLabels[style] + "/" +
         kFrameSideLabels[side] + ".tif";
}

void LoadTextures(const std::string& programFolder, TextureSet* textures, IccProfile* inputProfile) {
  FreeImage(&textures->images[0]);
  for (int32_t code = 1; code < static_cast<int32_t>(textures->images.size()); ++code) {
    LoadAsset(programFolder, TextureFileName(code), "Cannot locate texture file: %s",
              "Error reading texture file: %s", &textures->images[code], inputProfile);
  }
}

void LoadFrameTiles(const std::string& programFolder, FrameTileSet* tiles, IccProfile* inputProfile) {
  for (int32_t finish = 0; finish < kFrameFinishCount; ++finish) {
    for (int32_t style : kStyleLoadOrder) {
      for (int32_t side = kSideLeft; side <= kSideTop; ++side) {
        LoadAsset(programFolder, FrameTileFileName(finish, style, side), "Cannot locate frame file: %s",
                  "Error reading frame file: %s", &tiles->tiles[FrameTileSet::Index(finish, style, side)],
                  inputProfile);
      }
    }
  }
}

void FreeTextures(TextureSet* textures) {
  for (Image& image : textures->images) FreeImage(&image);
}

void FreeFrameTiles(FrameTileSet* tiles) {
  for (Image& tile : tiles->tiles) FreeImage(&tile);
}
