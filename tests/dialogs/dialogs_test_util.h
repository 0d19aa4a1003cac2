// Key and mouse clicks for driving the property dialogs without a person.
#pragma once

#include <QtTest>
#include <QtWidgets>

#include "shell/property_dialog.h"

// Lets deleteLater() run, as the event loop would.
inline void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

inline QLineEdit* Field(PropertyDialog* dialog, int id) { return dialog->controlAs<QLineEdit>(id); }
inline QString Text(PropertyDialog* dialog, int id) { return Field(dialog, id)->text(); }

// Replaces a field's text as a person would, one key at a time.
inline void Type(PropertyDialog* dialog, int id, const QString& text) {
  Field(dialog, id)->selectAll();
  if (text.isEmpty()) QTest::keyClick(Field(dialog, id), Qt::Key_Backspace);
  QTest::keyClicks(Field(dialog, id), text);
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
