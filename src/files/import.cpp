#include "files/import.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "core/fileio.h"
#include "core/hooks.h"
#include "core/parallel.h"
#include "files/color.h"
#include "files/jpeg.h"
#include "files/png.h"
#include "files/tiff.h"
#include "image/transform.h"
#include "render/render.h"
#include "scene/text.h"

namespace {

// A picture refused for its size says so on a second line.
void ReportFailure(const char* format, const std::string& path, const std::string& note = {}) {
  ShowError(note.empty() ? FormatText(format, {path}) : FormatText(format, {path}) + "\n" + note);
}

// Brings a picture into sRGB on a thread of its own while the decoder fills
// it, a batch of rows behind: decoding keeps one core busy, and the
// conversion that would follow it takes the other. Rows are converted in
// place one by one, so the bytes are those of a conversion afterwards.
class ConversionAlongside {
 public:
  ConversionAlongside(ColorTransform transform, Image* picture)
      : transform_(std::move(transform)), picture_(picture) {}
  ~ConversionAlongside() { Stop(); }

  DecodedRowsHook Hook() {
    if (transform_.empty()) return {};
    return [this](int32_t rows) {
      if (rows < 0) {
        Stop();  // the decoder frees the rows next
        return;
      }
      if (!thread_.joinable() && !started_) {
        started_ = true;
        if (picture_->type != transform_.type) return;  // a gray picture stays as it is
        try {
          thread_ = std::thread([this] { Convert(); });
        } catch (...) {
          return;  // no thread to be had: the picture is converted afterwards
        }
      }
      std::lock_guard<std::mutex> lock(mutex_);
      ready_ = rows;
      wake_.notify_one();
    };
  }

  // After a successful decode: true when every row was converted alongside.
  bool Finish() {
    if (!thread_.joinable()) return false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
      wake_.notify_one();
    }
    thread_.join();
    return converted_ == picture_->height;
  }

 private:
  void Convert() {
    int32_t done = 0;
    for (;;) {
      int32_t upTo = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return stopped_ || finished_ || ready_ > done; });
        if (stopped_ || (finished_ && ready_ == done)) break;
        upTo = ready_;
      }
      // Decoded rows run from the picture's top, the last Image row.
      const int32_t height = picture_->height;
      ConvertRowsInPlace(transform_, picture_, height - upTo, upTo - done);
      done = upTo;
    }
    converted_ = done;
  }

  void Stop() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopped_ = true;
      wake_.notify_one();
    }
    thread_.join();
  }

  ColorTransform transform_;
  Image* picture_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  int32_t ready_ = 0;
  int32_t converted_ = 0;  // written by the thread, read after it is joined
  bool started_ = false;
  bool finished_ = false;
  bool stopped_ = false;
};

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
  if (TextEqualsIgnoringCase(extension, "PNG")) return kPicturePng;
  return kPictureUnknown;
}

int LoadPicture(const std::string& path, int32_t type, SceneSettings* scene, IccProfile* inputProfile,
                std::string* lastInputFolder) {
  // Refused before the file is touched: an unknown kind would otherwise
  // become an empty 0 x 0 picture.
  if (type != kPictureTiff && type != kPictureJpeg && type != kPicturePng) {
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
  } else if (type == kPicturePng) {
    readFailure = "Cannot read PNG file: %s";
    const int result = ReadPng(file, &decoded, inputProfile, &reason);
    CloseFile(file);
    if (result != 0) {
      ReportFailure(readFailure, path, reason);
      return 1;
    }
  } else {
    readFailure = "Cannot read JPEG file: %s";
    CloseFile(file);
    // The profile is gathered first, so that the picture can be converted
    // while it is decoded; a failure to read it is still told only after a
    // successful decode, as the decode's own failure comes first.
    IccProfile profile;
    const int profileResult = ReadJpegIccProfile(path, &profile);
    ColorTransform transform;
    if (profileResult == 0 && !profile.empty() && !IsSrgbProfile(profile) && WorkerThreads() > 1) {
      transform = MakeColorTransform(profile, IccProfile(), Rgb8);
      if (!UsesOwnKernel(transform)) transform = ColorTransform();  // converted afterwards, on every core
    }
    ConversionAlongside conversion(std::move(transform), &decoded);
    int32_t orientation = 1;
    if (DecodeWithImagingLibrary(path, &decoded, &reason, conversion.Hook(), &orientation) != 0) {
      ReportFailure(readFailure, path, reason);
      return 1;
    }
    const bool converted = conversion.Finish();
    inputProfile->clear();
    if (profileResult != 0) {
      ReportFailure("Error reading profile from JPEG file: %s", path);
      return 1;
    }
    *inputProfile = std::move(profile);
    if (!converted) ConvertToWorkingSpace(&decoded, *inputProfile);
    // Turned upright only now: the conversion alongside the decoder writes
    // into the rows as they were stored until Finish has joined it.
    if (ApplyOrientation(orientation, &decoded) != 0) {
      ReportFailure(readFailure, path);
      return 1;
    }
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
