// The kinds of file File > Export and passavue-render write: TIFF for
// printing, JPEG and PNG proofs for customers.
#pragma once

#include <string>

#include "core/fileio.h"
#include "image/image.h"

// In the order of the export file dialog's filters.
enum class ExportFormat { Tiff, Jpeg, Png };
constexpr int kExportFormatCount = 3;

struct ExportFormatTexts {
  const char* filterName;      // "TIFF Files"
  const char* pattern;         // "*.tif", also the ending added to a bare name
  const char* progress;        // the progress window's label
  const char* saveError;       // a failure once the file exists, with %s for the path
  const char* wrongExtension;  // the name's ending is none of the format's
};
const ExportFormatTexts& TextsOf(ExportFormat format);
// The format of the file dialog's filter `index` (0 the first); the first
// for an index outside them.
ExportFormat ExportFormatOfFilter(int index);

// The format a path's ending names (".tif", ".tiff", ".jpg", ".jpeg",
// ".png", in any case). False for any other ending.
bool ExportFormatOfPath(const std::string& path, ExportFormat* format);

// Writes the rendering to an open file in that format; 0 on success, 1 on
// failure with the system's reason in LastFileError.
int WriteExport(ExportFormat format, FileHandle& file, const Image& image);
