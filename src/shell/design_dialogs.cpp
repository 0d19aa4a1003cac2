// Background and lighting, frame and mat dialogs. The picture's dialog is in
// image_dialog.cpp.
#include "shell/design_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <string>

#include "scene/text.h"
#include "shell/app_state.h"
#include "shell/control_ids.h"
#include "shell/property_dialog.h"

namespace {

template <size_t N>
std::vector<const char*> Labels(const std::array<const char*, N>& table) {
  return std::vector<const char*>(table.begin(), table.end());
}

QHBoxLayout* ButtonRow(QPushButton* ok, QWidget* cancel) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

// ---- Background and lighting ----------------------------------------------

class BackgroundDialog : public PropertyDialog {
 public:
  BackgroundDialog(const DialogContext& context, QWidget* owner)
      : PropertyDialog(context, kCommandBackground, background_ids::kApply, owner) {
    setWindowTitle(QStringLiteral("Background & Lighting Properties"));
    SceneSettings& s = scene();

    auto* background = new QGroupBox(QStringLiteral("Background"), this);
    auto* backgroundGrid = new QGridLayout(background);
    AddLabelledRow(backgroundGrid, 0, "Color:",
                   MakeColorButton(background_ids::kColor, background_ids::kColorPicker,
                                   QStringLiteral("Background Color"), &s.background.color));
    ratio_ = MakeField(background_ids::kRatio);
    ShowValue(ratio_, FormatText("%2f", {s.background.ratio}), s.background.ratio);
    AddLabelledRow(backgroundGrid, 1, "Background to Frame Ratio:", ratio_);

    auto* intensity = new QGroupBox(QStringLiteral("Lighting Intensity"), this);
    auto* intensityColumn = new QVBoxLayout(intensity);
    intensities_ = new QButtonGroup(this);
    const int intensityIds[] = {background_ids::kBrightRadio, background_ids::kModerateRadio,
                                background_ids::kSubduedRadio};
    for (int code = 0; code < 3; ++code) {
      intensityColumn->addWidget(MakeRadio(intensityIds[code], kLightingIntensityLabels[code], intensities_,
                                           code, s.lighting.intensity));
    }
    intensityColumn->addStretch(1);

    auto* type = new QGroupBox(QStringLiteral("Lighting Type"), this);
    auto* typeColumn = new QVBoxLayout(type);
    types_ = new QButtonGroup(this);
    for (int code = 0; code < kLightingTypeCount; ++code) {
      typeColumn->addWidget(MakeRadio(background_ids::kTypeFirst + code, kLightingTypeLabels[code], types_,
                                      code, s.lighting.type));
    }

    auto* lighting = new QHBoxLayout;
    lighting->addWidget(intensity);
    lighting->addWidget(type);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(background);
    layout->addLayout(lighting);
    QPushButton* ok = MakeButtons();
    layout->addLayout(ButtonRow(ok, control(kControlCancel)));
    TakeBackupNow();
  }

 protected:
  bool ReadAndStore() override {
    // Text with a leading number is that number; text without one is 0.
    double ratio = 0.0;
    if (!ShownValue(ratio_, &ratio)) ReadNumber(ratio_->text().toStdString(), &ratio);
    if (!(ratio >= 1.0 && ratio <= 10.0)) {
      ShowError("Illegal Background to Frame Ratio");
      return false;
    }
    SceneSettings& s = scene();
    if (intensities_->checkedId() >= 0) s.lighting.intensity = intensities_->checkedId();
    if (types_->checkedId() >= 0) s.lighting.type = types_->checkedId();
    s.background.ratio = ratio;
    return true;
  }

  void RestoreFromBackup() override {
    SceneSettings& s = scene();
    s.background.ratio = backup().background.ratio;
    s.background.color = backup().background.color;
    s.lighting.intensity = backup().lighting.intensity;
    s.lighting.type = backup().lighting.type;
  }

  void Load() override {
    const SceneSettings& s = scene();
    ShowValue(ratio_, FormatText("%2f", {s.background.ratio}), s.background.ratio);
    ShowCode(intensities_, s.lighting.intensity);
    ShowCode(types_, s.lighting.type);
  }

 private:
  QLineEdit* ratio_ = nullptr;
  QButtonGroup* intensities_ = nullptr;
  QButtonGroup* types_ = nullptr;
};

// ---- Frame ----------------------------------------------------------------

class FrameDialog : public PropertyDialog {
 public:
  FrameDialog(const DialogContext& context, QWidget* owner)
      : PropertyDialog(context, kCommandFrame, frame_ids::kApply, owner) {
    setWindowTitle(QStringLiteral("Frame Properties"));
    FrameSettings& f = scene().frame;

    auto* top = new QGridLayout;
    style_ = MakeList(frame_ids::kStyle, Labels(kFrameStyleLabels), f.style);
    finish_ = MakeList(frame_ids::kFinish, Labels(kFrameFinishLabels), f.finish);
    AddLabelledRow(top, 0, "Style:", style_);
    AddLabelledRow(top, 1, "Gloss:", finish_);
    AddLabelledRow(
        top, 2, "Color:",
        MakeColorButton(frame_ids::kColor, frame_ids::kColorPicker, QStringLiteral("Frame Color"), &f.color));

    // The overall size as of the last layout; shown, never edited.
    auto* overall = new QGroupBox(QStringLiteral("Overall Size"), this);
    auto* overallGrid = new QGridLayout(overall);
    overallWidth_ = MakeField(frame_ids::kWidth, false);
    overallHeight_ = MakeField(frame_ids::kHeight, false);
    ShowLength(overallWidth_, f.overallWidth);
    ShowLength(overallHeight_, f.overallHeight);
    overallWidth_->setReadOnly(true);
    overallHeight_->setReadOnly(true);
    overallWidth_->setEnabled(false);
    overallHeight_->setEnabled(false);
    AddLabelledRow(overallGrid, 0, "Width:", overallWidth_);
    AddLabelledRow(overallGrid, 1, "Height:", overallHeight_);

    outerDepth_ = MakeField(frame_ids::kOuterDepth);
    innerDepth_ = MakeField(frame_ids::kInnerDepth);
    ShowLength(outerDepth_, f.outerDepth);
    ShowLength(innerDepth_, f.innerDepth);
    AddLabelledRow(top, 3, "Outer Depth:", outerDepth_);
    AddLabelledRow(top, 4, "Inner Depth:", innerDepth_);

    auto* widths = new QGroupBox(QStringLiteral("Frame Widths"), this);
    auto* widthGrid = new QGridLayout(widths);
    QLineEdit* left = MakeField(frame_ids::kLeft);
    QLineEdit* topField = MakeField(frame_ids::kTop);
    QLineEdit* right = MakeField(frame_ids::kRight);
    QLineEdit* bottom = MakeField(frame_ids::kBottom);
    ShowLength(left, f.leftWidth);
    ShowLength(topField, f.topWidth);
    ShowLength(right, f.rightWidth);
    ShowLength(bottom, f.bottomWidth);
    AddLabelledRow(widthGrid, 0, "Left:", left);
    AddLabelledRow(widthGrid, 1, "Top:", topField);
    AddLabelledRow(widthGrid, 0, "Right:", right, 2);
    AddLabelledRow(widthGrid, 1, "Bottom:", bottom, 2);
    widthGrid->addWidget(MakeEqualBox(frame_ids::kEqual, {left, right, topField, bottom},
                                      {&f.leftWidth, &f.rightWidth, &f.topWidth, &f.bottomWidth}),
                         2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(overall);
    layout->addWidget(widths);
    QPushButton* ok = MakeButtons();
    layout->addLayout(ButtonRow(ok, control(kControlCancel)));
    TakeBackupNow();
  }

 protected:
  bool ReadAndStore() override {
    FrameSettings& f = scene().frame;
    // The lists are stored before any field is checked, so a choice made
    // there stays even when a typed value is refused.
    if (style_->currentIndex() >= 0) f.style = style_->currentIndex();
    if (finish_->currentIndex() >= 0) f.finish = finish_->currentIndex();
    double inner = 0.0;
    double outer = 0.0;
    std::array<double, 4> widths{};
    if (!ReadLengthField(innerDepth_, "Illegal inner depth value", &inner)) return false;
    if (!ReadLengthField(outerDepth_, "Illegal outer depth value", &outer)) return false;
    if (!ReadFourWidths(
            {"Illegal left value", "Illegal right value", "Illegal top value", "Illegal bottom value"},
            &widths)) {
      return false;
    }
    f.innerDepth = inner;
    f.outerDepth = outer;
    f.leftWidth = widths[0];
    f.rightWidth = widths[1];
    f.topWidth = widths[2];
    f.bottomWidth = widths[3];
    return true;
  }

  void RestoreFromBackup() override {
    FrameSettings& f = scene().frame;
    const FrameSettings& b = backup().frame;
    f.style = b.style;
    f.finish = b.finish;
    f.color = b.color;
    f.outerDepth = b.outerDepth;
    f.innerDepth = b.innerDepth;
    f.leftWidth = b.leftWidth;
    f.rightWidth = b.rightWidth;
    f.topWidth = b.topWidth;
    f.bottomWidth = b.bottomWidth;
  }

  void Load() override {
    const FrameSettings& f = scene().frame;
    ShowCode(style_, f.style);
    ShowCode(finish_, f.finish);
    ShowLength(overallWidth_, f.overallWidth);
    ShowLength(overallHeight_, f.overallHeight);
    ShowLength(outerDepth_, f.outerDepth);
    ShowLength(innerDepth_, f.innerDepth);
    ShowLength(controlAs<QLineEdit>(frame_ids::kLeft), f.leftWidth);
    ShowLength(controlAs<QLineEdit>(frame_ids::kTop), f.topWidth);
    ShowLength(controlAs<QLineEdit>(frame_ids::kRight), f.rightWidth);
    ShowLength(controlAs<QLineEdit>(frame_ids::kBottom), f.bottomWidth);
    RefreshEqual();
  }

 private:
  QComboBox* style_ = nullptr;
  QComboBox* finish_ = nullptr;
  QLineEdit* overallWidth_ = nullptr;
  QLineEdit* overallHeight_ = nullptr;
  QLineEdit* outerDepth_ = nullptr;
  QLineEdit* innerDepth_ = nullptr;
};

// ---- Mats -----------------------------------------------------------------

class MatDialog : public PropertyDialog {
 public:
  MatDialog(const DialogContext& context, int32_t index, QWidget* owner)
      : PropertyDialog(context, kCommandOuterMat + index, mat_ids::kApply, owner), index_(index) {
    const std::string label = kMatLabels[static_cast<size_t>(index)];
    setWindowTitle(QString::fromStdString(FormatText("%s Mat Properties", {label})));
    MatSettings& m = scene().mats[static_cast<size_t>(index)];

    auto* top = new QGridLayout;
    opening_ = MakeList(mat_ids::kOpening, Labels(kMatOpeningLabels), m.opening);
    texture_ = MakeList(mat_ids::kTexture, Labels(kMatTextureLabels), m.texture);
    AddLabelledRow(top, 0, "Opening:", opening_);
    AddLabelledRow(top, 1, "Texture:", texture_);
    AddLabelledRow(top, 2, "Color:",
                   MakeColorButton(mat_ids::kColor, mat_ids::kColorPicker,
                                   QString::fromStdString(FormatText("%s Mat Color", {label})), &m.color));
    thickness_ = MakeField(mat_ids::kThickness);
    ShowLength(thickness_, m.thickness);
    AddLabelledRow(top, 3, "Thickness:", thickness_);

    auto* margins = new QGroupBox(QStringLiteral("Margins"), this);
    auto* marginGrid = new QGridLayout(margins);
    QLineEdit* left = MakeField(mat_ids::kLeft);
    QLineEdit* topField = MakeField(mat_ids::kTop);
    QLineEdit* right = MakeField(mat_ids::kRight);
    QLineEdit* bottom = MakeField(mat_ids::kBottom);
    ShowLength(left, m.left);
    ShowLength(topField, m.top);
    ShowLength(right, m.right);
    ShowLength(bottom, m.bottom);
    AddLabelledRow(marginGrid, 0, "Left:", left);
    AddLabelledRow(marginGrid, 1, "Top:", topField);
    AddLabelledRow(marginGrid, 0, "Right:", right, 2);
    AddLabelledRow(marginGrid, 1, "Bottom:", bottom, 2);
    marginGrid->addWidget(MakeEqualBox(mat_ids::kEqual, {left, right, topField, bottom},
                                       {&m.left, &m.right, &m.top, &m.bottom}),
                          2, 1);

    auto* bevel = new QGroupBox(QStringLiteral("Bevel"), this);
    auto* bevelGrid = new QGridLayout(bevel);
    bevels_ = new QButtonGroup(this);
    for (int code = 0; code < 3; ++code) {
      bevelGrid->addWidget(
          MakeRadio(mat_ids::kBevelFirst + code, kBevelAngleLabels[code], bevels_, code, m.bevel), code, 0);
    }
    AddLabelledRow(
        bevelGrid, 3, "Bevel Color:",
        MakeColorButton(mat_ids::kBevelColor, mat_ids::kBevelColorPicker,
                        QString::fromStdString(FormatText("%s Mat Bevel Color", {label})), &m.bevelColor));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(margins);
    layout->addWidget(bevel);
    QPushButton* ok = MakeButtons();
    layout->addLayout(ButtonRow(ok, control(kControlCancel)));
    TakeBackupNow();
  }

 protected:
  bool ReadAndStore() override {
    double thickness = 0.0;
    std::array<double, 4> margins{};
    if (!ReadLengthField(thickness_, "Illegal thickness value", &thickness)) return false;
    if (!ReadFourWidths({"Illegal left margin value", "Illegal right margin value",
                         "Illegal top margin value", "Illegal bottom margin value"},
                        &margins)) {
      return false;
    }
    MatSettings& m = mat();
    m.thickness = thickness;
    m.left = margins[0];
    m.right = margins[1];
    m.top = margins[2];
    m.bottom = margins[3];
    if (opening_->currentIndex() >= 0) m.opening = opening_->currentIndex();
    if (texture_->currentIndex() >= 0) m.texture = texture_->currentIndex();
    if (bevels_->checkedId() >= 0) m.bevel = bevels_->checkedId();
    return true;
  }

  void RestoreFromBackup() override {
    MatSettings& m = mat();
    const MatSettings& b = backup().mats[static_cast<size_t>(index_)];
    m.thickness = b.thickness;
    m.left = b.left;
    m.right = b.right;
    m.top = b.top;
    m.bottom = b.bottom;
    m.opening = b.opening;
    m.texture = b.texture;
    m.bevel = b.bevel;
    m.color = b.color;
    m.bevelColor = b.bevelColor;
  }

  void Load() override {
    const MatSettings& m = mat();
    ShowCode(opening_, m.opening);
    ShowCode(texture_, m.texture);
    ShowLength(thickness_, m.thickness);
    ShowLength(controlAs<QLineEdit>(mat_ids::kLeft), m.left);
    ShowLength(controlAs<QLineEdit>(mat_ids::kTop), m.top);
    ShowLength(controlAs<QLineEdit>(mat_ids::kRight), m.right);
    ShowLength(controlAs<QLineEdit>(mat_ids::kBottom), m.bottom);
    ShowCode(bevels_, m.bevel);
    RefreshEqual();
  }

 private:
  MatSettings& mat() const { return scene().mats[static_cast<size_t>(index_)]; }

  int32_t index_;
  QComboBox* opening_ = nullptr;
  QComboBox* texture_ = nullptr;
  QLineEdit* thickness_ = nullptr;
  QButtonGroup* bevels_ = nullptr;
};

}  // namespace

PropertyDialog* MakeBackgroundDialog(const DialogContext& context, QWidget* owner) {
  return new BackgroundDialog(context, owner);
}

PropertyDialog* MakeFrameDialog(const DialogContext& context, QWidget* owner) {
  return new FrameDialog(context, owner);
}

PropertyDialog* MakeMatDialog(const DialogContext& context, int32_t matIndex, QWidget* owner) {
  if (matIndex < 0 || matIndex >= kMatCount) return nullptr;
  return new MatDialog(context, matIndex, owner);
}
