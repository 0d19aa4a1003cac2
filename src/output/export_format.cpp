#include "output/export_format.h"

#include <array>

#include "files/jpeg_write.h"
#include "files/png_write.h"
#include "files/tiff.h"
#include "scene/text.h"

namespace {

constexpr std::array<ExportFormatTexts, kExportFormatCount> kTexts = {{
    {"TIFF Files", "*.tif", "Exporting TIFF file...", "Error saving TIFF file: %s",
     "TIFF files must have an extension of .tif or .tiff"},
    {"JPEG Files", "*.jpg", "Exporting JPEG file...", "Error saving JPEG file: %s",
     "JPEG files must have an extension of .jpg or .jpeg"},
    {"PNG Files", "*.png", "Exporting PNG file...", "Error saving PNG file: %s",
     "PNG files must have an extension of .png"},
}};

struct Ending {
  const char* extension;
  ExportFormat format;
};
constexpr std::array<Ending, 5> kEndings = {{{".TIF", ExportFormat::Tiff},
                                             {".TIFF", ExportFormat::Tiff},
                                             {".JPG", ExportFormat::Jpeg},
                                             {".JPEG", ExportFormat::Jpeg},
                                             {".PNG", ExportFormat::Png}}};

}  // namespace

const ExportFormatTexts& TextsOf(ExportFormat format) {
  const auto index = static_cast<size_t>(format);
  return kTexts[index < kTexts.size() ? index : 0];
}

ExportFormat ExportFormatOfFilter(int index) {
  return index >= 0 && index < kExportFormatCount ? static_cast<ExportFormat>(index) : ExportFormat::Tiff;
}

bool ExportFormatOfPath(const std::string& path, ExportFormat* format) {
  for (const Ending& ending : kEndings) {
    if (HasExtension(path, ending.extension) == 0) {
      *format = ending.format;
      return true;
    }
  }
  return false;
}

int WriteExport(ExportFormat format, FileHandle& file, const Image& image) {
  switch (format) {
    case ExportFormat::Jpeg:
      return WriteJpeg(file, image);
    case ExportFormat::Png:
      return WritePng(file, image);
    case ExportFormat::Tiff:
      break;
  }
  return WriteTiff(file, image);
}
