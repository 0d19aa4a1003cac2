// The design being edited, with its history. The document owns the design:
// every change to it goes through here, which keeps the steps Undo and Redo
// walk, keeps the overall size in step with the rest, and tells the view and
// the open dialogs when the design changed.
#pragma once

#include <QObject>
#include <QString>
#include <cstddef>
#include <deque>
#include <functional>
#include <vector>

#include "scene/settings.h"

// How many changes Undo can take back.
constexpr size_t kUndoSteps = 100;

// What Undo and Redo call the change a command makes: the command's name as
// the menus show it ("Outer Mat", "Show Middle Mat"), or empty.
QString StepName(int command);

class Document : public QObject {
  Q_OBJECT
 public:
  // Starts from the program's own defaults.
  explicit Document(QObject* parent = nullptr);

  const SceneSettings& design() const { return design_; }
  // Where a dialog binds its fields and colour buttons to the design's
  // settings. It writes through them only inside Change, so every write is
  // a step; the settings stay where they are for the document's life, as
  // Undo and Redo assign whole designs in place.
  SceneSettings* boundDesign() { return &design_; }

  // Runs `edit` on the design; what it changed becomes one step named
  // `label`, and `modified` is set when `markModified` (a colour still being
  // tried in a picker is not yet a change to save). `changed` follows
  // when `edit` succeeded, even when it kept every value. Returns what
  // `edit` returned.
  bool Change(const QString& label, const std::function<bool(SceneSettings*)>& edit,
              bool markModified = true);

  // Replaces the design as a whole, outside the history (New, Open, a
  // start-up file, the recovery copy): runs `load` on it. When `load`
  // succeeds the design starts a fresh history, and counts as saved when it
  // is unmodified; a design read in part is drawn as far as it came and
  // keeps the history. Returns what `load` returned.
  bool Load(const std::function<bool(SceneSettings*)>& load);
  // The design was just written to its file: unmodified, and the saved one
  // from now on.
  void MarkSaved();

  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }
  QString undoLabel() const { return undo_.empty() ? QString() : undo_.back().label; }
  QString redoLabel() const { return redo_.empty() ? QString() : redo_.back().label; }
  void Undo();
  void Redo();

 signals:
  // The design changed: it is drawn again.
  void changed();
  // The design was replaced as a whole (Undo, Redo): open dialogs show it again.
  void reloaded();
  // What Undo and Redo offer, or whether the design is saved, changed.
  void historyChanged();

 private:
  struct Step {
    SceneSettings design;  // the whole design on the other side of the step
    QString label;
  };
  // Puts `design` in place of the current one, `steps` along the history.
  void Replace(SceneSettings design, long steps);

  SceneSettings design_;
  std::deque<Step> undo_;   // oldest first
  std::vector<Step> redo_;  // next redo last
  // Steps taken since the design was last saved (negative: undone past it).
  // A saved design dropped from the oldest end is never reached again, as
  // no more steps can be undone than are kept; one on a branch of redos
  // that a new step discarded is out of reach too, which `savedKnown_` says,
  // as it does of a history that began with an unsaved design.
  long sinceSaved_ = 0;
  bool savedKnown_ = true;
};
