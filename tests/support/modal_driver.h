// Drives the real Qt dialogs of the desktop program without a person.
#pragma once

#include <QtTest>
#include <QtWidgets>
#include <deque>
#include <functional>

// Answers the modal windows of the real dialogs as they come up, one step
// each, and notes what came up; one that no step expects is rejected.
class ModalDriver {
 public:
  std::deque<std::function<void(QWidget*)>> steps;
  QStringList seen;

  ModalDriver() {
    QObject::connect(&timer_, &QTimer::timeout, [this]() {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr || !modal->isVisible() || handled_.contains(modal)) return;
      handled_.push_back(modal);
      auto* box = qobject_cast<QMessageBox*>(modal);
      seen << (box != nullptr ? box->windowTitle() + "|" + box->text()
                              : QString::fromUtf8(modal->metaObject()->className()));
      if (steps.empty()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        return;
      }
      // Outside this slot, so that a window the step brings up is answered too.
      QTimer::singleShot(0, modal, [step = std::move(steps.front()), modal]() { step(modal); });
      steps.pop_front();
    });
    timer_.start(10);
  }
  // Types the name into Qt's own file dialog, with `filter` (its whole
  // text, "TIFF Files (*.tif)") chosen first when given, and saves.
  static std::function<void(QWidget*)> Name(const QString& name, const QString& filter = {}) {
    return [name, filter](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      QVERIFY(dialog != nullptr);
      if (!filter.isEmpty()) dialog->selectNameFilter(filter);
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
      static_cast<QDialog*>(dialog)->accept();  // as the Save button does
    };
  }
  static std::function<void(QWidget*)> Press(QMessageBox::StandardButton button) {
    return [button](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(button)->click(); };
  }

 private:
  QTimer timer_;
  QList<QPointer<QWidget>> handled_;
};
