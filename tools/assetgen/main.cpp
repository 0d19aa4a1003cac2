// passavue-assetgen FOLDER: writes the shipped mat textures and frame tiles
// into FOLDER/Textures and FOLDER/Frames.
#include <cstdio>

#include "assetgen.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: passavue-assetgen FOLDER\n");
    return 2;
  }
  return WriteAssetSet(argv[1]) == 0 ? 0 : 1;
}
