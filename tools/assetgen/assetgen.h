// The pictures inside the shipped asset files: five seamless mat textures
// and the 88 frame-moulding tiles, all 8-bit gray.
#pragma once

#include <cstdint>
#include <string>

#include "image/image.h"

// Samples across a frame tile (outer to inner edge) and along it.
constexpr int32_t kTileAcross = 128;
constexpr int32_t kTileAlong = 4;

// A Gray8 texture tile for MatTexture code 1..5 that repeats without a
// seam. 0 on success, 1 for an unknown code or when memory ran out.
int MakeTexture(int32_t texture, Image* image);

// The height of the moulding's cross-section at u (0 outer edge .. 1 inner
// edge), in units of the moulding's width. Style 0..10; 0 for others.
double ProfileHeight(int32_t style, double u);

// A Gray8 frame tile in the orientation its side is drawn in: Left and
// Right kTileAcross wide and kTileAlong high, Bottom and Top the other way
// round; Left and Bottom run from the outer edge inwards, Right and Top from
// the inner edge outwards. 0 on success, 1 for codes out of range or when
// memory ran out.
int MakeFrameTile(int32_t finish, int32_t style, int32_t side, Image* image);

// Writes every texture and tile under `folder` ("Textures/..." and
// "Frames/..."), creating the folders. 0 on success; 1 with a line on
// standard error naming what failed.
int WriteAssetSet(const std::string& folder);
