#include "files/import.h"

#include <memory>
#include <utility>

#include "core/hooks.h"
#include "display/colour.h"
#include "files/fileio.h"
#include "files/jpeg.h"
#include "files/tiff.h"
#include "image/transform.h"
#include "render/render.h"
#include "scene/text.h"

namespace {

// A picture refused for its size says so on a second line.
void ReportFailure(const char* format, const std::string& path, const std::string& note = {}) {
  ShowError(note.empty() ? FormatText(format, {path}) : FormatText(format, {path}) + "\n" + note);
}

}  // namespace

int32_t PictureFileTypeOf(const std::string& path) {
  std::string extension;
  for (size_t i = path.size(); i > 0; --i) {
    const char c = path[i - 1];
    if (c == '.') {
      extension = path.substr(i);
      break;
    }
    if (c == '/' || c == '\\' || c == ':') break;
  }
  if (extension.empty()) return kPictureUnknown;
  if (TextEqualsIgnoringCase(extension, "TIF") || TextEqualsIgnoringCase(extension, "TIFF"))
    return kPictureTiff;
  if (TextEqualsIgnoringCase(extension, "JPG") || TextEqualsIgnoringCase(extension, "JPEG") ||
      TextEqualsIgnoringCase(extension, "JPE")) {
    return kPictureJpeg;
  }
  return kPictureUnknown;
}

int LoadPicture(const std::string& path, int32_t type, SceneSettings* scene, IccProfile* inputProfile,
                std::string* lastInputFolder) {
  // Refused before the file is touched: an unknown kind would otherwise
  // become an empty 0 x 0 picture.
  if (type != kPictureTiff && type != kPictureJpeg) {
    ReportFailure("Unsupported picture file type: %s", path);
    return 1;
  }
  FileHandle file;
  if (OpenForRead(path, &file) != 0) {
    ReportFailure("Cannot open image file: %s", path);
    return 1;
  }

  Image decoded;
  std::string reason;
  const char* readFailure;
  if (type == kPictureTiff) {
    readFailure = "Cannot read TIFF file: %s";
    const int result = ReadTiff(file, &decoded, inputProfile, &reason);
    CloseFile(file);
    if (result != 0) {
      // A second line tells the framer what to ask the photographer for.
      ReportFailure(readFailure, path, reason);
      return 1;
    }
  } else {
    readFailure = "Cannot read JPEG file: %s";
    CloseFile(file);
    if (DecodeWithImagingLibrary(path, &decoded, &reason) != 0) {
      ReportFailure(readFailure, path, reason);
      return 1;
    }
    inputProfile->clear();
    if (ReadJpegIccProfile(path, inputProfile) != 0) {
      ReportFailure("Error reading profile from JPEG file: %s", path);
      return 1;
    }
    ConvertToWorkingSpace(&decoded, *inputProfile);
  }

  // An Rgb8 picture is taken over as it is; any other kind is converted
  // first. Either way the old raster stays until the new one exists.
  Image converted;
  if (decoded.type == Rgb8) {
    converted = std::move(decoded);
  } else {
    ConvertToRgb8(decoded, &converted);
    FreeImage(&decoded);
    if (converted.type != Rgb8) {
      ReportFailure(readFailure, path);
      return 1;
    }
  }

  scene->picture.raster = std::make_shared<const Image>(std::move(converted));
  ++scene->picture.rasterVersion;
  scene->picture.pathname = path;
  *lastInputFolder = FolderOfPath(path);
  scene->border.left = 0.0;
  scene->border.right = 0.0;
  scene->border.top = 0.0;
  scene->border.bottom = 0.0;
  ComputeOverallSize(scene);
  return 0;
}
