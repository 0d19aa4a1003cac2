#include "shell/property_dialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

#include "core/interaction.h"
#include "scene/persistent.h"
#include "scene/units.h"
#include "shell/app_state.h"
#include "shell/color_picker.h"
#include "shell/control_ids.h"
#include "shell/design_dialogs.h"
#include "shell/document.h"
#include "shell/hit_test.h"

namespace {

int32_t DelayMilliseconds(int32_t index) {
  // A delay index from outside the table (a damaged store) falls back to the default.
  if (index < 0 || index >= static_cast<int32_t>(kUpdateDelayMilliseconds.size())) index = 1;
  return kUpdateDelayMilliseconds[static_cast<size_t>(index)];
}

}  // namespace

void RestoreBackup(const SceneSettings& backup, SceneSettings* scene) {
  SceneSettings restored = backup;
  restored.modified = scene->modified;
  restored.picture.pathname = std::move(scene->picture.pathname);
  restored.picture.raster = std::move(scene->picture.raster);
  restored.picture.rasterVersion = scene->picture.rasterVersion;
  *scene = std::move(restored);
}

ColorButton::ColorButton(const RgbColor* color, QWidget* parent) : QPushButton(parent), color_(color) {
  setAutoDefault(false);
  setFixedSize(64, 22);
}

QColor ColorButton::shownColor() const {
  auto clamp = [](int32_t v) { return std::clamp(v, 0, 255); };
  return QColor(clamp(color_->red), clamp(color_->green), clamp(color_->blue));
}

void ColorButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), shownColor());
  // An outline, so that a colour close to the dialog's own still shows as a button.
  painter.setPen(QPen(palette().color(QPalette::Shadow), 1));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (hasFocus()) {
    // A dotted frame in a colour that shows on the fill.
    painter.setPen(QPen(shownColor().lightness() < 128 ? Qt::white : Qt::black, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(2, 2, -3, -3));
  }
}

PropertyDialog::PropertyDialog(const DialogContext& context, int command, int applyId, QWidget* owner)
    : QDialog(owner), context_(context), command_(command), units_(context.state->persistent.units) {
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  // The timer clicks the hidden Apply button, which is the dialog's one
  // internal apply action.
  auto* apply = new QPushButton(QStringLiteral("Apply"), this);
  apply->setAutoDefault(false);
  apply->hide();
  Register(applyId, apply);
  connect(apply, &QPushButton::clicked, this, [this]() { Apply(false); });
  connect(timer_, &QTimer::timeout, apply, &QPushButton::click);
  // Undo and Redo replace the design under the dialog: it shows what is
  // there now, and a pending typed value would bring the old one back.
  connect(context_.document, &Document::reloaded, this, [this]() {
    timer_->stop();
    Load();
    for (const auto& slot : pickers_) slot->button->update();
  });
}

PropertyDialog::~PropertyDialog() {
  // Before the widget tree goes: a picker's last notification must still
  // find this dialog whole.
  ClosePickers();
}

QWidget* PropertyDialog::control(int id) const {
  auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

ColorPicker* PropertyDialog::picker(int colorId) const {
  for (const auto& slot : pickers_) {
    if (slot->colorId == colorId) return slot->picker.data();
  }
  return nullptr;
}

SceneSettings& PropertyDialog::scene() const { return *context_.document->boundDesign(); }

void PropertyDialog::ShowError(const std::string& message) const {
  if (context_.interaction != nullptr) context_.interaction->ShowErrorBox(message);
}

void PropertyDialog::Register(int id, QWidget* widget) {
  widget->setObjectName(QString::number(id));
  controls_[id] = widget;
}

QLineEdit* PropertyDialog::MakeField(int id, bool watched) {
  auto* field = new QLineEdit(this);
  Register(id, field);
  if (watched) connect(field, &QLineEdit::textEdited, this, [this]() { RestartTimer(); });
  return field;
}

void PropertyDialog::RestartTimer() {
  timer_->stop();
  timer_->start(DelayMilliseconds(context_.state->persistent.updateDelay));
}

QComboBox* PropertyDialog::MakeList(int id, const std::vector<const char*>& labels, int32_t code) {
  auto* list = new QComboBox(this);
  Register(id, list);
  for (const char* label : labels) list->addItem(QString::fromUtf8(label));
  // A code from a file may lie outside the list: then nothing is selected,
  // and Apply leaves the stored code alone until the user picks one.
  list->setCurrentIndex(code >= 0 && code < static_cast<int32_t>(labels.size()) ? code : -1);
  connect(list, &QComboBox::activated, this, [this]() { Apply(false); });
  return list;
}

void PropertyDialog::ShowCode(QComboBox* list, int32_t code) {
  list->setCurrentIndex(code >= 0 && code < list->count() ? code : -1);
}

void PropertyDialog::ShowCode(QButtonGroup* group, int32_t code) {
  // An exclusive group keeps one radio checked; a code from a file may name none.
  group->setExclusive(false);
  for (QAbstractButton* button : group->buttons()) button->setChecked(group->id(button) == code);
  group->setExclusive(true);
}

QAbstractButton* PropertyDialog::MakeRadio(int id, const char* label, QButtonGroup* group, int32_t value,
                                           int32_t code) {
  auto* radio = new QRadioButton(QString::fromUtf8(label), this);
  Register(id, radio);
  group->addButton(radio, value);
  radio->setChecked(value == code);
  connect(radio, &QRadioButton::clicked, this, [this]() { Apply(false); });
  return radio;
}

QPushButton* PropertyDialog::MakeButtons() {
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  Register(kControlOk, ok);
  Register(kControlCancel, cancel);
  ok->setDefault(true);
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &PropertyDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &PropertyDialog::reject);
  return ok;
}

ColorButton* PropertyDialog::MakeColorButton(int id, int colorId, const QString& pickerTitle,
                                             RgbColor* setting) {
  auto* button = new ColorButton(setting, this);
  Register(id, button);
  auto slot = std::make_unique<PickerSlot>();
  slot->colorId = colorId;
  slot->title = pickerTitle;
  slot->setting = setting;
  slot->button = button;
  PickerSlot* raw = slot.get();
  pickers_.push_back(std::move(slot));
  connect(button, &QPushButton::clicked, this, [this, raw]() { OpenPicker(raw); });
  return button;
}

void PropertyDialog::OpenPicker(PickerSlot* slot) {
  if (slot->picker) {
    slot->picker->raise();
    slot->picker->activateWindow();
    return;
  }
  auto* picker = new ColorPicker(this, QPoint(100, 100), slot->title, static_cast<uint32_t>(slot->colorId),
                                 *slot->setting);
  slot->picker = picker;
  connect(picker, &ColorPicker::PickerColorChanged, this, &PropertyDialog::ColorChosen);
  connect(picker, &ColorPicker::PickerClosed, this, [this](quint32 id, quint32) { PickerGone(id); });
  if (context_.pickerPlacements != nullptr) {
    auto placement = context_.pickerPlacements->find(PlacementKey(slot->colorId));
    if (placement != context_.pickerPlacements->end())
      picker->setGeometry(QRect(placement->second.topLeft(), picker->size()));
  }
}

void PropertyDialog::ColorChosen(quint32 id, quint32 packed) {
  for (const auto& slot : pickers_) {
    if (static_cast<quint32>(slot->colorId) != id) continue;
    // Shown at once, but kept only by OK or an Apply.
    Change([&]() { *slot->setting = UnpackColor(packed); }, false);
    slot->button->update();
  }
}

void PropertyDialog::PickerGone(quint32 id) {
  for (const auto& slot : pickers_) {
    if (static_cast<quint32>(slot->colorId) != id || !slot->picker) continue;
    if (context_.pickerPlacements != nullptr) {
      // The window's own area, which is given back as it was: by the time it
      // closes, a window manager has taken its frame away, and a frame
      // position saved now would be restored as the area's, moving the
      // picker by the frame's size at every reopening.
      (*context_.pickerPlacements)[PlacementKey(slot->colorId)] = slot->picker->geometry();
    }
    slot->picker = nullptr;
  }
}

void PropertyDialog::ClosePickers() {
  for (const auto& slot : pickers_) {
    if (!slot->picker) continue;
    ColorPicker* picker = slot->picker.data();
    delete picker;  // its destructor reports PickerClosed, which keeps the placement
    slot->picker = nullptr;
  }
}

void PropertyDialog::Apply(bool byOk, const std::function<void()>& prelude) {
  timer_->stop();
  const bool stored = context_.document->Change(StepName(command_), [&](SceneSettings*) {
    if (prelude) prelude();
    return ReadAndStore();
  });
  if (!stored) return;
  if (byOk) {
    QDialog::accept();
    ClosePickers();
  }
}

void PropertyDialog::Change(const std::function<void()>& edit, bool markModified) {
  context_.document->Change(
      StepName(command_),
      [&](SceneSettings*) {
        edit();
        return true;
      },
      markModified);
}

void PropertyDialog::accept() { Apply(true); }

void PropertyDialog::reject() {
  timer_->stop();
  // Putting the backup back is a step of its own, which Redo can take again.
  Change([this]() { RestoreFromBackup(); }, false);
  QDialog::reject();
  ClosePickers();
}

void PropertyDialog::Dismiss() {
  timer_->stop();
  ClosePickers();
  QDialog::done(QDialog::Rejected);
}

bool PropertyDialog::ReadLengthField(QLineEdit* field, const char* message, double* inches) const {
  double value = 0.0;
  const bool read = ShownValue(field, &value) || ReadLength(field->text().toStdString(), units_, &value) == 0;
  if (!read || !(value >= 0.0 && value < 1000.0)) {
    ShowError(message);
    return false;
  }
  *inches = value;
  return true;
}

std::string PropertyDialog::Format(double inches) const { return FormatLength(inches, units_); }

void PropertyDialog::ShowValue(QLineEdit* field, const std::string& text, double value) {
  shown_[field] = {QString::fromStdString(text), value};
  field->setText(shown_[field].first);
}

bool PropertyDialog::ShownValue(const QLineEdit* field, double* value) const {
  auto found = shown_.find(field);
  if (found == shown_.end() || found->second.first != field->text()) return false;
  *value = found->second.second;
  return true;
}

QCheckBox* PropertyDialog::MakeEqualBox(int id, std::array<QLineEdit*, 4> fields,
                                        std::array<double*, 4> stored) {
  equalBox_ = new QCheckBox(QStringLiteral("Equal"), this);
  Register(id, equalBox_);
  equalFields_ = fields;
  equalStored_ = stored;
  RefreshEqual();
  connect(equalBox_, &QCheckBox::clicked, this, [this](bool checked) { ChooseEqual(checked); });
  return equalBox_;
}

void PropertyDialog::ChooseEqual(bool checked) {
  Apply(false, [this, checked]() {
    equal_ = checked;
    for (int i = 1; i < 4; ++i) {
      equalFields_[i]->setEnabled(!checked);
      if (checked) {
        *equalStored_[i] = *equalStored_[0];
        equalFields_[i]->clear();
      } else {
        equalFields_[i]->setText(equalFields_[0]->text());
        // The same text stands for the same exact value.
        auto left = shown_.find(equalFields_[0]);
        if (left != shown_.end()) shown_[equalFields_[i]] = left->second;
      }
    }
  });
}

void PropertyDialog::RefreshEqual() {
  const std::array<double*, 4>& s = equalStored_;
  equal_ = *s[0] == *s[1] && *s[0] == *s[2] && *s[0] == *s[3];
  equalBox_->setChecked(equal_);
  for (int i = 1; i < 4; ++i) {
    equalFields_[i]->setEnabled(!equal_);
    if (equal_) equalFields_[i]->clear();
  }
}

bool PropertyDialog::ReadFourWidths(const std::array<const char*, 4>& messages,
                                    std::array<double, 4>* values) const {
  if (!ReadLengthField(equalFields_[0], messages[0], &(*values)[0])) return false;
  for (int i = 1; i < 4; ++i) {
    if (equal_) {
      (*values)[i] = (*values)[0];
    } else if (!ReadLengthField(equalFields_[i], messages[i], &(*values)[i])) {
      return false;
    }
  }
  return true;
}

void AddLabelledRow(QGridLayout* grid, int row, const char* label, QWidget* control, int column) {
  auto* text = new QLabel(QString::fromUtf8(label));
  text->setBuddy(control);
  grid->addWidget(text, row, column);
  grid->addWidget(control, row, column + 1);
}

QDialog* MakePropertyDialog(int command, QWidget* owner, const DialogContext& context) {
  switch (command) {
    case kCommandImage:
      return MakeImageDialog(context, owner);
    case kCommandOuterMat:
      return MakeMatDialog(context, kOuterMat, owner);
    case kCommandMiddleMat:
      return MakeMatDialog(context, kMiddleMat, owner);
    case kCommandInnerMat:
      return MakeMatDialog(context, kInnerMat, owner);
    case kCommandFrame:
      return MakeFrameDialog(context, owner);
    case kCommandBackground:
      return MakeBackgroundDialog(context, owner);
    default:
      return nullptr;
  }
}
