// "Image Properties": which picture is framed, how large it is shown and
// the coloured border around it.
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/interaction.h"
#include "files/import.h"
#include "scene/text.h"
#include "scene/units.h"
#include "shell/app_state.h"
#include "shell/control_ids.h"
#include "shell/design_commands.h"
#include "shell/design_dialogs.h"
#include "shell/property_dialog.h"

namespace {

constexpr const char* kNotAvailable = "N/A";

// The picture's path elided in the middle to the width the dialog gives it,
// whole in the tooltip: a long path would otherwise stretch the dialog (and
// its buttons) past the screen.
class PathLabel : public QLabel {
 public:
  explicit PathLabel(QWidget* parent) : QLabel(parent) {}
  void SetFullText(const QString& text, const QString& tip) {
    full_ = text;
    setToolTip(tip);
    updateGeometry();
    Elide();
  }
  // Up to about sixty characters' worth; never more than the dialog has.
  QSize sizeHint() const override {
    const QFontMetrics metrics = fontMetrics();
    return {std::min(metrics.horizontalAdvance(full_), 60 * metrics.averageCharWidth()) + 2,
            QLabel::sizeHint().height()};
  }
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Elide();
  }

 private:
  void Elide() {
    setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, std::max(0, contentsRect().width())));
  }
  QString full_;
};

class ImageDialog : public PropertyDialog {
 public:
  ImageDialog(const DialogContext& context, QWidget* owner)
      : PropertyDialog(context, kCommandImage, image_ids::kApply, owner) {
    setWindowTitle(QStringLiteral("Image Properties"));

    auto* select = new QPushButton(QStringLiteral("Select New Image ..."), this);
    select->setAutoDefault(false);
    Register(image_ids::kSelect, select);
    connect(select, &QPushButton::clicked, this, [this]() { SelectNewImage(); });
    pathname_ = new PathLabel(this);
    pathname_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Register(image_ids::kPathname, pathname_);

    auto* scaling = new QGroupBox(QStringLiteral("Image Scaling"), this);
    auto* scalingGrid = new QGridLayout(scaling);
    modes_ = new QButtonGroup(this);
    fromFile_ = new QRadioButton(QStringLiteral("Size from File"), this);
    custom_ = new QRadioButton(QStringLiteral("Custom Size:"), this);
    Register(image_ids::kSizeFromFileRadio, fromFile_);
    Register(image_ids::kCustomSizeRadio, custom_);
    modes_->addButton(fromFile_, kSizeFromFile);
    modes_->addButton(custom_, kCustomSize);
    connect(fromFile_, &QRadioButton::clicked, this, [this]() { ChooseSizeFromFile(); });
    connect(custom_, &QRadioButton::clicked, this, [this]() { ChooseCustomSize(); });
    width_ = MakeField(image_ids::kWidth, false);
    height_ = MakeField(image_ids::kHeight, false);
    connect(width_, &QLineEdit::textEdited, this, [this]() { WidthTyped(); });
    scalingGrid->addWidget(fromFile_, 0, 0, 1, 2);
    scalingGrid->addWidget(custom_, 1, 0, 1, 2);
    AddLabelledRow(scalingGrid, 2, "Width:", width_);
    AddLabelledRow(scalingGrid, 3, "Height:", height_);

    SceneSettings& s = scene();
    auto* border = new QGroupBox(QStringLiteral("Image Border"), this);
    auto* borderGrid = new QGridLayout(border);
    left_ = MakeField(image_ids::kLeft);
    top_ = MakeField(image_ids::kTop);
    right_ = MakeField(image_ids::kRight);
    bottom_ = MakeField(image_ids::kBottom);
    AddLabelledRow(borderGrid, 0, "Left:", left_);
    AddLabelledRow(borderGrid, 1, "Top:", top_);
    AddLabelledRow(borderGrid, 0, "Right:", right_, 2);
    AddLabelledRow(borderGrid, 1, "Bottom:", bottom_, 2);
    borderGrid->addWidget(MakeEqualBox(image_ids::kEqual, {left_, right_, top_, bottom_},
                                       {&s.border.left, &s.border.right, &s.border.top, &s.border.bottom}),
                          2, 1);
    AddLabelledRow(borderGrid, 2, "Color:",
                   MakeColorButton(image_ids::kBorderColor, image_ids::kBorderColorPicker,
                                   QStringLiteral("Image Border Color"), &s.border.color),
                   2);

    auto* layout = new QVBoxLayout(this);
    auto* selectRow = new QHBoxLayout;
    selectRow->addWidget(select);
    selectRow->addStretch(1);
    layout->addLayout(selectRow);
    layout->addWidget(pathname_);
    auto* groups = new QHBoxLayout;
    groups->addWidget(scaling);
    groups->addWidget(border);
    layout->addLayout(groups);
    QPushButton* ok = MakeButtons();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(control(kControlCancel));
    layout->addLayout(buttons);
    Fill();
  }

 protected:
  bool ReadAndStore() override {
    std::array<double, 4> widths{};
    if (!ReadFourWidths({"Illegal left border value", "Illegal right border value",
                         "Illegal top border value", "Illegal bottom border value"},
                        &widths)) {
      return false;
    }
    // Without a picture the width has nothing to follow and is left alone.
    double width = 0.0;
    if (HasPicture() && !ReadLengthField(width_, "Illegal custom width value", &width)) return false;
    SceneSettings& s = scene();
    s.border.left = widths[0];
    s.border.right = widths[1];
    s.border.top = widths[2];
    s.border.bottom = widths[3];
    if (HasPicture()) {
      s.picture.customWidth = width;
      if (s.picture.sizeMode == kCustomSize) {
        s.picture.customHeight = ProportionalHeight(width);
        ShowLength(height_, s.picture.customHeight);
      }
    }
    return true;
  }

  // The whole backup: this dialog's Cancel also undoes what other dialogs
  // changed meanwhile, but never the picture itself.
  void RestoreFromBackup() override { RestoreBackup(backup(), &scene()); }

 private:
  // A picture with pixels; an empty raster has no proportions to follow.
  bool HasPicture() const {
    const Image& raster = PictureImage(scene().picture);
    return raster.type != 0 && raster.width > 0 && raster.height > 0;
  }

  // The picture's size from its file's resolution. One without a usable
  // resolution is measured as the layout measures it, 10 by 8 inches.
  void FileSize(double* width, double* height) const {
    const Image& raster = PictureImage(scene().picture);
    if (raster.resolution > 0.0) {
      *width = raster.width / raster.resolution;
      *height = raster.height / raster.resolution;
    } else {
      *width = 10.0;
      *height = 8.0;
    }
  }

  double ProportionalHeight(double width) const {
    const Image& raster = PictureImage(scene().picture);
    return raster.height * width / raster.width;
  }

  void ShowFileSize() {
    if (!HasPicture()) {
      width_->setText(QString::fromUtf8(kNotAvailable));
      height_->setText(QString::fromUtf8(kNotAvailable));
      return;
    }
    PictureSettings& p = scene().picture;
    FileSize(&p.customWidth, &p.customHeight);
    ShowLength(width_, p.customWidth);
    ShowLength(height_, p.customHeight);
  }

  void ShowCustomSize() {
    PictureSettings& p = scene().picture;
    ShowLength(width_, p.customWidth);
    if (HasPicture()) {
      p.customHeight = ProportionalHeight(p.customWidth);
      ShowLength(height_, p.customHeight);
    } else {
      height_->setText(QString::fromUtf8(kNotAvailable));
    }
  }

  // The fields, and a backup to match for Cancel.
  void Fill() {
    Load();
    TakeBackupNow();
  }

  void Load() override {
    delayTimer()->stop();
    const SceneSettings& s = scene();
    const bool shown = !s.picture.pathname.empty() && HasPicture();
    pathname_->SetFullText(shown ? QString::fromStdString(FormatText("Pathname: %s", {s.picture.pathname}))
                                 : QStringLiteral("Pathname: N/A"),
                           shown ? QString::fromStdString(s.picture.pathname) : QString());
    ShowLength(left_, s.border.left);
    ShowLength(right_, s.border.right);
    ShowLength(top_, s.border.top);
    ShowLength(bottom_, s.border.bottom);
    modes_->setExclusive(false);
    fromFile_->setChecked(s.picture.sizeMode == kSizeFromFile);
    custom_->setChecked(s.picture.sizeMode == kCustomSize);
    modes_->setExclusive(true);
    if (s.picture.sizeMode == kCustomSize) {
      ShowCustomSize();
      width_->setEnabled(true);
    } else {
      if (s.picture.sizeMode == kSizeFromFile) ShowFileSize();
      width_->setEnabled(false);
    }
    height_->setEnabled(false);
    RefreshEqual();
  }

  void ChooseSizeFromFile() {
    Apply(false, [this]() {
      scene().picture.sizeMode = kSizeFromFile;
      ShowFileSize();
      width_->setEnabled(false);
    });
  }

  void ChooseCustomSize() {
    Apply(false, [this]() {
      scene().picture.sizeMode = kCustomSize;
      ShowCustomSize();
      width_->setEnabled(true);
    });
  }

  void WidthTyped() {
    if (scene().picture.sizeMode != kCustomSize || !HasPicture()) return;
    double width = 0.0;
    if (ReadLength(width_->text().toStdString(), units(), &width) == 0 && width >= 0.0 && width < 1000.0) {
      ShowLength(height_, ProportionalHeight(width));
      RestartTimer();
    } else {
      height_->setText(QString::fromUtf8(kNotAvailable));
    }
  }

  void SelectNewImage() {
    if (context().interaction == nullptr) return;
    FileDialogRequest request;
    request.title = "Load Input Image TIFF File";
    request.filters = {
        {"TIFF Files", "*.tif;*.tiff"}, {"JPEG Files", "*.jpg;*.jpeg;*.jpe"}, {"PNG Files", "*.png"}};
    request.filterName = request.filters[0].name;
    request.pattern = request.filters[0].pattern;
    request.initialName = "*.tif;*.tiff";
    request.folder = state()->persistent.lastInputFolder;
    int filter = 0;
    const std::string path = context().interaction->AskOpenFileWithFilter(request, &filter);
    if (path.empty()) return;
    // The name's extension decides the reader, as on the command line: a
    // JPEG picked while the TIFF filter is shown is still a JPEG. Only a
    // name without a known extension goes by the filter.
    int32_t type = PictureFileTypeOf(path);
    if (type == kPictureUnknown) type = filter == 1 ? kPictureJpeg : filter == 2 ? kPicturePng : kPictureTiff;
    Change([&]() { FramePicture(state(), &scene(), path, type); }, false);
    // Filling again renews the backup, so a later Cancel keeps the new picture.
    Fill();
  }

  PathLabel* pathname_ = nullptr;
  QButtonGroup* modes_ = nullptr;
  QRadioButton* fromFile_ = nullptr;
  QRadioButton* custom_ = nullptr;
  QLineEdit* width_ = nullptr;
  QLineEdit* height_ = nullptr;
  QLineEdit* left_ = nullptr;
  QLineEdit* top_ = nullptr;
  QLineEdit* right_ = nullptr;
  QLineEdit* bottom_ = nullptr;
};

}  // namespace

PropertyDialog* MakeImageDialog(const DialogContext& context, QWidget* owner) {
  return new ImageDialog(context, owner);
}
