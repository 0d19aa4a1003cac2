#include "output/export_size.h"

#include <cstdint>

#include "scene/text.h"

int CheckExportSize(const std::string& widthText, const std::string& heightText, int* width, int* height,
                    std::string* message) {
  int32_t w = 0;
  if (ReadInteger(widthText, &w) != 0 || w < 2 || w > 20000) {
    *message = "Illegal image width value";
    return 1;
  }
  int32_t h = 0;
  if (ReadInteger(heightText, &h) != 0 || h < 2 || h > 20000) {
    *message = "Illegal image height value";
    return 1;
  }
  *width = w;
  *height = h;
  return 0;
}
