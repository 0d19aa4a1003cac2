// What every modeless property dialog shares: the backup that Cancel puts
// back, the delay timer that applies typed text after a pause, colour
// buttons with their pickers, and the "Equal" box that couples four widths.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "scene/settings.h"

struct AppState;
class ColorPicker;
class Document;
class Interaction;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QTimer;

// What a dialog needs from the program around it.
struct DialogContext {
  AppState* state = nullptr;
  // Every change the dialog makes goes through it; it tells the dialog when
  // Undo or Redo replaced the design.
  Document* document = nullptr;
  Interaction* interaction = nullptr;
  // Picker placements, kept for the whole run; owned by the program.
  std::map<int, QRect>* pickerPlacements = nullptr;
};

// Puts back every field of a dialog's backup (a copy of the design taken when
// it opened) except the picture itself and `modified`: a picture loaded
// meanwhile survives a Cancel.
void RestoreBackup(const SceneSettings& backup, SceneSettings* scene);

// A button that shows a colour by filling itself with it.
class ColorButton : public QPushButton {
  Q_OBJECT
 public:
  ColorButton(const RgbColor* color, QWidget* parent);
  // The colour drawn, clamped to 0..255.
  QColor shownColor() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const RgbColor* color_;
};

class PropertyDialog : public QDialog {
  Q_OBJECT
 public:
  // `command` (kCommandImage..kCommandBackground) names the dialog, `applyId` its hidden Apply button.
  PropertyDialog(const DialogContext& context, int command, int applyId, QWidget* owner);
  ~PropertyDialog() override;

  // The control with an identifier (kControlOk, kControlCancel, ...), or null.
  QWidget* control(int id) const;
  template <typename T>
  T* controlAs(int id) const {
    return qobject_cast<T*>(control(id));
  }
  QTimer* delayTimer() const { return timer_; }
  // The picker a colour setting opened (by its colour identifier), or null.
  ColorPicker* picker(int colorId) const;
  // The units the dialog was opened with.
  int32_t units() const { return units_; }

  // Cancel, Escape and the close box.
  void reject() override;
  // OK and Enter.
  void accept() override;
  // Closes the dialog and its pickers without applying or restoring anything.
  void Dismiss();

 protected:
  // Reads and checks the fields in the dialog's order and stores them; false
  // (nothing of the failing step stored) after showing the refusal.
  virtual bool ReadAndStore() = 0;
  // Puts back, from the backup, the settings this dialog edits.
  virtual void RestoreFromBackup() = 0;
  // Shows the design's values in the fields.
  virtual void Load() = 0;

  // The common Apply, one step of the design's history: `prelude` (a choice
  // just made), ReadAndStore, `modified`, close on OK.
  void Apply(bool byOk, const std::function<void()>& prelude = {});
  // One step named after the dialog that `edit` makes; `modified` only when `markModified`.
  void Change(const std::function<void()>& edit, bool markModified);
  void TakeBackupNow() { backup_ = scene(); }
  const SceneSettings& backup() const { return backup_; }
  // The document's design, which the fields are bound to; written only
  // inside Apply and Change.
  SceneSettings& scene() const;
  AppState* state() const { return context_.state; }
  const DialogContext& context() const { return context_; }
  void ShowError(const std::string& message) const;

  void Register(int id, QWidget* widget);
  // An edit field whose typing restarts the delay timer.
  QLineEdit* MakeField(int id, bool watched = true);
  void RestartTimer();
  QComboBox* MakeList(int id, const std::vector<const char*>& labels, int32_t code);
  // Selects a list's entry for a code; none for a code outside the list.
  static void ShowCode(QComboBox* list, int32_t code);
  // Checks the radio of a group whose value is `code`; none for another code.
  static void ShowCode(QButtonGroup* group, int32_t code);
  // A radio that applies when clicked; checked when `code` equals `value`.
  QAbstractButton* MakeRadio(int id, const char* label, QButtonGroup* group, int32_t value, int32_t code);
  QPushButton* MakeButtons();  // OK, Cancel and the hidden Apply; returns OK
  ColorButton* MakeColorButton(int id, int colorId, const QString& pickerTitle, RgbColor* setting);
  void ClosePickers();

  // A length field's value in inches, accepted when 0 <= v < 1000; shows
  // `message` and returns false otherwise.
  bool ReadLengthField(QLineEdit* field, const char* message, double* inches) const;
  std::string Format(double inches) const;
  // Shows a value and remembers it: while the field keeps that text, reading
  // it gives the exact value back, not the rounded one the text shows.
  void ShowValue(QLineEdit* field, const std::string& text, double value);
  void ShowLength(QLineEdit* field, double inches) { ShowValue(field, Format(inches), inches); }
  // The value last shown in a field whose text is still the one shown.
  bool ShownValue(const QLineEdit* field, double* value) const;

  // The "Equal" box over four width fields (left, right, top, bottom) and
  // the four stored widths they edit.
  QCheckBox* MakeEqualBox(int id, std::array<QLineEdit*, 4> fields, std::array<double*, 4> stored);
  bool equal() const { return equal_; }
  // Sets the box again from the stored widths (exact comparison).
  void RefreshEqual();
  // Left, then (unless equal) right, top and bottom, with their messages.
  bool ReadFourWidths(const std::array<const char*, 4>& messages, std::array<double, 4>* values) const;

 private:
  struct PickerSlot {
    int colorId = 0;
    QString title;
    RgbColor* setting = nullptr;
    ColorButton* button = nullptr;
    QPointer<ColorPicker> picker;
  };
  void OpenPicker(PickerSlot* slot);
  void ChooseEqual(bool checked);
  void ColorChosen(quint32 id, quint32 packed);
  void PickerGone(quint32 id);
  int PlacementKey(int colorId) const { return command_ * 10000 + colorId; }

  DialogContext context_;
  int command_;
  int32_t units_;
  SceneSettings backup_;
  QTimer* timer_;
  std::map<int, QWidget*> controls_;
  std::map<const QLineEdit*, std::pair<QString, double>> shown_;
  std::vector<std::unique_ptr<PickerSlot>> pickers_;
  bool equal_ = false;
  std::array<QLineEdit*, 4> equalFields_{};
  std::array<double*, 4> equalStored_{};
  QCheckBox* equalBox_ = nullptr;
};

// A label and its control side by side in a grid, the label naming the control.
void AddLabelledRow(QGridLayout* grid, int row, const char* label, QWidget* control, int column = 0);

// The dialog for a Settings command (kCommandImage..kCommandBackground), or
// null for another command. The dialog is `owner`'s Qt child: it goes with
// the owner unless it is deleted before.
QDialog* MakePropertyDialog(int command, QWidget* owner, const DialogContext& context);
