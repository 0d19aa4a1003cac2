// A design, its render counter and scripted answers for driving the dialogs
// without a person.
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QtTest>
#include <map>
#include <memory>
#include <vector>

#include "shell/app_state.h"
#include "shell/document.h"
#include "shell/property_dialog.h"
#include "support/pictures.h"
#include "support/scripted.h"

// A design at its defaults, rendered small on every request.
struct Harness {
  Harness();
  ~Harness();
  // The dialog of a Settings command, shown as the main window shows it.
  PropertyDialog* Open(int command);
  // Set up behind the history's back, as a file read would.
  SceneSettings& design() { return *document.boundDesign(); }

  std::unique_ptr<AppState> state = std::make_unique<AppState>();
  Document document;
  ScriptedInteraction interaction;
  std::map<int, QRect> placements;
  int renders = 0;
  DialogContext context;
  // Dialogs a test left open go with the design they point into.
  std::vector<QPointer<PropertyDialog>> opened;
};

// Lets deleteLater() run, as the event loop would.
inline void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

inline QLineEdit* Field(PropertyDialog* dialog, int id) { return dialog->controlAs<QLineEdit>(id); }
inline QString Text(PropertyDialog* dialog, int id) { return Field(dialog, id)->text(); }

// Replaces a field's text as a person would, one key at a time.
inline void Type(PropertyDialog* dialog, int id, const QString& text) {
  QLineEdit* field = Field(dialog, id);
  field->selectAll();
  if (text.isEmpty()) {
    QTest::keyClick(field, Qt::Key_Backspace);
  } else {
    QTest::keyClicks(field, text);
  }
}

// The pause the user makes: the delay timer fires now instead of later.
inline bool Pause(PropertyDialog* dialog) {
  QTimer* timer = dialog->delayTimer();
  if (!timer->isActive()) return false;
  timer->stop();
  return QMetaObject::invokeMethod(timer, "timeout");
}

inline void Enter(PropertyDialog* dialog, int id, const QString& text) {
  Type(dialog, id, text);
  QVERIFY(Pause(dialog));
}

inline void Click(PropertyDialog* dialog, int id) {
  auto* button = dialog->controlAs<QAbstractButton>(id);
  // Near the left edge: on a check box or radio that is the indicator, which
  // a click must hit (a wide box does not react beyond its text).
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  Settle();
}
