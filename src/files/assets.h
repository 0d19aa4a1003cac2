// The mat textures and frame-moulding tiles that lie beside the program as
// 8-bit gray TIFF files: "Textures/<name>.tif" and
// "Frames/<finish>/<style>/<side>.tif".
#pragma once

#include <cstdint>
#include <string>

#include "core/icc.h"
#include "render/asset_sets.h"

// File of a texture, relative to the program folder; MatTexture code 1..5
// (empty for any other code).
std::string TextureFileName(int32_t texture);
// File of a frame tile, relative to the program folder; finish 0..1, style
// 0..10, side kSideLeft..kSideTop (empty for codes out of range).
std::string FrameTileFileName(int32_t finish, int32_t style, int32_t side);

// Each loader reads every file of its set in the fixed order; a missing or
// unreadable file costs one message and leaves its image empty. Each read
// replaces `inputProfile` (the TIFF reader's own rule).
void LoadTextures(const std::string& programFolder, TextureSet* textures, IccProfile* inputProfile);
void LoadFrameTiles(const std::string& programFolder, FrameTileSet* tiles, IccProfile* inputProfile);
void FreeTextures(TextureSet* textures);
void FreeFrameTiles(FrameTileSet* tiles);
