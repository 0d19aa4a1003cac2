// The two modal dialogs of the menus: Preferences (display units and the
// text-update delay) and About.
#pragma once

#include <QDialog>
#include <functional>

struct PersistentState;
class QComboBox;

class PreferencesDialog : public QDialog {
  Q_OBJECT
 public:
  // OK stores the choices into `preferences` and calls `renderAndRepaint`.
  PreferencesDialog(PersistentState* preferences, std::function<void()> renderAndRepaint, QWidget* owner);

  QComboBox* unitsList() const { return units_; }
  QComboBox* delayList() const { return delay_; }

  void accept() override;

 private:
  PersistentState* preferences_;
  std::function<void()> renderAndRepaint_;
  QComboBox* units_;
  QComboBox* delay_;
};

// "About Passavue": the product line, the rights notice and the colour
// library's attribution, with an OK button.
class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* owner);
};
