// A design, its render counter and scripted answers for driving the dialogs
// without a person.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QRect>
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

  std::unique_ptr<AppState> state = std::make_unique<AppState>();
  Document document{state.get()};
  ScriptedInteraction interaction;
  std::map<int, QRect> placements;
  int renders = 0;
  DialogContext context;
  // Dialogs a test left open go with the design they point into.
  std::vector<QPointer<PropertyDialog>> opened;
};
