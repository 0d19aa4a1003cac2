#include "render_command.h"

#include <unistd.h>

#include <QDate>
#include <QDir>
#include <QLocale>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

#include "core/hooks.h"
#include "core/parallel.h"
#include "files/assets.h"
#include "files/import.h"
#include "output/export_format.h"
#include "output/specifications.h"
#include "render/render.h"
#include "scene/settings_file.h"
#include "scene/text.h"
#include "scene/units.h"
#include "shell/app_state.h"

namespace {

constexpr const char* kUsage =
    "usage: passavue-render [--design FILE] [--picture FILE] [--custom-width INCHES] [--size WxH]\n"
    "                       [--assets DIR] [--units in|mm|cm] [--layout] [--cut-list] [--specs]\n"
    "                       [--write-design FILE] [--threads N] [-o OUT.tif|.jpg|.png]\n"
    "       passavue-render --help\n";

struct Options {
  std::string design;
  std::string picture;
  std::optional<double> customWidth;
  int width = 1024;
  int height = 1024;
  std::string assets;
  int units = kInches;
  bool layout = false;
  bool cutList = false;
  bool specs = false;
  bool help = false;
  std::string writeDesign;
  std::string output;
  ExportFormat format = ExportFormat::Tiff;
  int threads = 0;  // 0: one per core
};

// The value of "--size": W and H each a whole number from 2 to 20000.
bool ParseSize(const std::string& text, int* width, int* height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  int32_t w = 0;
  int32_t h = 0;
  if (ReadInteger(text.substr(0, x), &w) != 0 || ReadInteger(text.substr(x + 1), &h) != 0) return false;
  if (w < 2 || w > 20000 || h < 2 || h > 20000) return false;
  *width = w;
  *height = h;
  return true;
}

// Fills `options`; an empty text means success, otherwise it says what is wrong.
std::string ParseArguments(const std::vector<std::string>& arguments, Options* options) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    const bool takesValue = name == "--design" || name == "--picture" || name == "--custom-width" ||
                            name == "--size" || name == "--assets" || name == "--units" ||
                            name == "--write-design" || name == "--threads" || name == "-o";
    if (name == "--help" || name == "-h") {
      options->help = true;  // whatever else was given
      return {};
    }
    if (name == "--layout") {
      options->layout = true;
    } else if (name == "--cut-list") {
      options->cutList = true;
    } else if (name == "--specs") {
      options->specs = true;
    } else if (!takesValue) {
      return "unknown option: " + name;
    } else if (i + 1 >= arguments.size()) {
      return name + " needs a value";
    } else {
      const std::string& value = arguments[++i];
      if (name == "--design") {
        options->design = value;
      } else if (name == "--picture") {
        options->picture = value;
      } else if (name == "--custom-width") {
        double inches = 0.0;
        if (ReadNumber(value, &inches) != 0 || !(inches > 0.0) || inches >= 1000.0) {
          return "--custom-width takes a width in inches above 0 and below 1000";
        }
        options->customWidth = inches;
      } else if (name == "--size") {
        if (!ParseSize(value, &options->width, &options->height)) {
          return "--size takes WxH with each side a whole number from 2 to 20000";
        }
      } else if (name == "--assets") {
        options->assets = value;
      } else if (name == "--units") {
        if (value == "in") {
          options->units = kInches;
        } else if (value == "mm") {
          options->units = kMillimetres;
        } else if (value == "cm") {
          options->units = kCentimetres;
        } else {
          return "--units takes in, mm or cm";
        }
      } else if (name == "--write-design") {
        options->writeDesign = value;
      } else if (name == "--threads") {
        int32_t threads = 0;
        if (ReadInteger(value, &threads) != 0 || threads < 1 || threads > 256) {
          return "--threads takes a whole number from 1 to 256";
        }
        options->threads = threads;
      } else {
        if (!ExportFormatOfPath(value, &options->format)) {
          return "-o takes a file name ending in .tif, .tiff, .jpg, .jpeg or .png";
        }
        options->output = value;
      }
    }
  }
  if (!options->layout && !options->cutList && !options->specs && options->writeDesign.empty() &&
      options->output.empty()) {
    return "nothing to do: give --layout, --cut-list, --specs, --write-design or -o";
  }
  return {};
}

// The assets beside the program in the build tree, or under share/passavue.
std::string DefaultAssetFolder(const std::string& programFolder) {
  QDir beside(QString::fromStdString(programFolder));
  if (beside.exists(QStringLiteral("Textures")) || beside.exists(QStringLiteral("Frames")))
    return programFolder;
  const QString installed = QDir::cleanPath(beside.filePath(QStringLiteral("../share/passavue")));
  return QDir(installed).exists() ? installed.toStdString() : programFolder;
}

void WriteRect(std::ostream& out, const PixelRect& rect) {
  out << '[' << rect.x0 << ", " << rect.y0 << ", " << rect.x1 << ", " << rect.y1 << ']';
}

std::string Number(double value) {
  if (!std::isfinite(value)) return "null";  // JSON has no NaN or infinity
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

void WriteLayout(std::ostream& out, const SceneSettings& design, const AppState& state) {
  const LayoutRects& layout = state.render.layout;
  out << "{\"overallWidth\": " << Number(design.frame.overallWidth)
      << ", \"overallHeight\": " << Number(design.frame.overallHeight)
      << ", \"pixelsPerInch\": " << Number(state.render.pixelsPerInch) << ", \"frameOuter\": ";
  WriteRect(out, layout.frameOuter);
  out << ", \"frameInner\": ";
  WriteRect(out, layout.frameInner);
  for (const char* name : {"matOuter", "matOpening"}) {
    out << ", \"" << name << "\": [";
    for (int i = 0; i < kMatCount; ++i) {
      if (i > 0) out << ", ";
      // A hidden mat has no rectangles of this rendering.
      if (design.mats[i].shown == 0) {
        out << "null";
      } else {
        WriteRect(out, std::string(name) == "matOuter" ? layout.matOuter[i] : layout.matOpening[i]);
      }
    }
    out << ']';
  }
  out << ", \"borderOuter\": ";
  WriteRect(out, layout.borderOuter);
  out << ", \"pictureRect\": ";
  WriteRect(out, layout.pictureRect);
  out << "}\n";
}

void WriteSize(std::ostream& out, const CutSize& size) {
  out << '[' << Number(size.width) << ", " << Number(size.height) << ']';
}

void WriteSides(std::ostream& out, const CutSides& sides) {
  out << '[' << Number(sides.left) << ", " << Number(sides.right) << ", " << Number(sides.top) << ", "
      << Number(sides.bottom) << ']';
}

// Every length in inches at full precision, whatever --units says: this is
// read by programs, which round as they need.
void WriteCutList(std::ostream& out, const CutList& cuts) {
  out << "{\"frame\": {\"outside\": ";
  WriteSize(out, cuts.outside);
  out << ", \"inside\": ";
  WriteSize(out, cuts.inside);
  out << ", \"widths\": ";
  WriteSides(out, cuts.frameWidths);
  out << ", \"mouldingLength\": " << Number(cuts.mouldingLength)
      << ", \"unitedInches\": " << Number(cuts.unitedInches) << "}, \"glazing\": ";
  WriteSize(out, cuts.inside);
  out << ", \"mats\": [";
  for (size_t i = 0; i < cuts.mats.size(); ++i) {
    const MatCut& mat = cuts.mats[i];
    static constexpr std::array<const char*, kMatCount> kNames = {"outer", "middle", "inner"};
    out << (i > 0 ? ", " : "") << "{\"mat\": \"" << kNames[static_cast<size_t>(mat.mat) % kNames.size()]
        << "\", \"board\": ";
    WriteSize(out, mat.board);
    out << ", \"window\": ";
    WriteSize(out, mat.window);
    out << ", \"fromEdges\": ";
    WriteSides(out, mat.fromEdges);
    // Codes a damaged file holds that name no opening or bevel are null.
    out << ", \"opening\": "
        << (mat.opening == kRectangularOpening ? "\"rectangular\""
            : mat.opening == kOvalOpening      ? "\"oval\""
                                               : "null")
        << ", \"bevel\": "
        << (mat.bevel == kBevel45   ? "45"
            : mat.bevel == kBevel60 ? "60"
            : mat.bevel == kBevel90 ? "90"
                                    : "null")
        << '}';
  }
  out << "], \"picture\": {\"size\": ";
  WriteSize(out, cuts.picture);
  out << ", \"withBorder\": ";
  WriteSize(out, cuts.withBorder);
  out << "}}\n";
}

// A progress line for renders that take more than a second, when someone watches.
class ProgressLine {
 public:
  explicit ProgressLine(std::ostream& err) : err_(err) {
    if (::isatty(STDERR_FILENO) != 1) return;
    start_ = std::chrono::steady_clock::now();
    previous_ = SetProgressHook([this](int64_t done, int64_t total) { Show(done, total); });
    installed_ = true;
  }
  ~ProgressLine() {
    if (!installed_) return;
    SetProgressHook(std::move(previous_));
    if (shown_) err_ << "\r\033[K" << std::flush;
  }

 private:
  void Show(int64_t done, int64_t total) {
    if (total <= 0 || std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    const int percent = static_cast<int>(100 * done / total);
    if (shown_ && percent == lastPercent_) return;
    err_ << "\rRendering: " << percent << "%" << std::flush;
    shown_ = true;
    lastPercent_ = percent;
  }
  std::ostream& err_;
  ProgressHook previous_;
  std::chrono::steady_clock::time_point start_;
  bool installed_ = false;
  bool shown_ = false;
  int lastPercent_ = -1;
};

}  // namespace

int RunRenderCommand(const std::vector<std::string>& arguments, const std::string& programFolder,
                     std::ostream& out, std::ostream& err) {
  Options options;
  if (std::string problem = ParseArguments(arguments, &options); !problem.empty()) {
    err << "passavue-render: " << problem << '\n' << kUsage;
    return 2;
  }
  if (options.help) {
    out << kUsage;
    return 0;
  }

  SetWorkerThreads(options.threads);
  bool failed = false;
  ErrorHook previous = SetErrorHook([&err, &failed](const std::string& message) {
    err << message << '\n';
    failed = true;
  });
  struct RestoreHook {
    ErrorHook hook;
    ~RestoreHook() { SetErrorHook(std::move(hook)); }
  } restore{std::move(previous)};

  auto state = std::make_unique<AppState>();
  SceneSettings design;
  InitScene(&design);
  state->programFolder = programFolder;

  std::string settingsFolder;
  if (!options.design.empty() && LoadSettingsFile(options.design, &design, &settingsFolder) != 0) return 1;
  if (!options.picture.empty()) {
    const int32_t type = PictureFileTypeOf(options.picture);
    if (type == kPictureUnknown) {
      ShowError(FormatText("Unsupported picture file type: %s", {options.picture}));
      return 1;
    }
    std::string inputFolder;
    if (LoadPicture(options.picture, type, &design, &state->inputProfile, &inputFolder) != 0) return 1;
  }
  if (options.customWidth) {
    PictureSettings& picture = design.picture;
    picture.sizeMode = kCustomSize;
    picture.customWidth = *options.customWidth;
    const Image& raster = PictureImage(picture);
    picture.customHeight =
        raster.type != 0 && raster.width > 0 ? *options.customWidth * raster.height / raster.width : 8.0;
  }
  ComputeOverallSize(&design);

  if (!options.writeDesign.empty()) {
    std::string path = options.writeDesign;
    if (CheckSettingsFileName(&path) != 0) return 1;
    if (SaveSettingsFileAs(path, &design, &settingsFolder) != 0) return 1;
  }
  if (options.specs) {
    const std::string date =
        QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat).toStdString();
    for (const std::string& line : SpecificationPage(design, options.units, date)) out << line << '\n';
  }
  if (!options.layout && options.output.empty()) {
    if (options.cutList) WriteCutList(out, ComputeCutList(design));
    return failed ? 1 : 0;
  }
  // A target that can never be written is refused before the render.
  WriteFailure unusable;
  if (!options.output.empty() && CheckReplaceable(options.output, &unusable) != 0) {
    ShowError(WithFileError(FormatText("Cannot create file: %s", {options.output}), unusable.error));
    return 1;
  }

  const std::string assets = options.assets.empty() ? DefaultAssetFolder(programFolder) : options.assets;
  LoadTextures(assets, &state->textures, &state->inputProfile);
  LoadFrameTiles(assets, &state->frameTiles, &state->inputProfile);

  state->viewWidth = options.width;
  state->viewHeight = options.height;
  {
    ProgressLine progress(err);
    RenderDesign(state.get(), design);
  }
  if (state->render.composite.rows == nullptr) {
    ShowError("Not enough memory to render the design");
    return 1;
  }
  if (options.layout) WriteLayout(out, design, *state);
  if (options.cutList) WriteCutList(out, ComputeCutList(design));
  if (!options.output.empty()) {
    const Image& composite = state->render.composite;
    const ExportFormat kind = options.format;
    WriteFailure failure;
    if (WriteFileSafely(
            options.output,
            [&composite, kind](FileHandle& file) { return WriteExport(kind, file, composite); },
            &failure) != 0) {
      const char* format = failure.created ? TextsOf(kind).saveError : "Cannot create file: %s";
      ShowError(WithFileError(FormatText(format, {options.output}), failure.error));
      return 1;
    }
  }
  return failed ? 1 : 0;
}
