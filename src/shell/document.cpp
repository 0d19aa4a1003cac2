#include "shell/document.h"

#include <utility>

#include "render/render.h"
#include "shell/control_ids.h"

namespace {

// Equal designs, whether or not either is marked modified.
bool SameDesign(const SceneSettings& a, SceneSettings b) {
  b.modified = a.modified;
  return a == b;
}

}  // namespace

QString StepName(int command) {
  switch (command) {
    case kCommandImage:
      return QStringLiteral("Image");
    case kCommandOuterMat:
      return QStringLiteral("Outer Mat");
    case kCommandMiddleMat:
      return QStringLiteral("Middle Mat");
    case kCommandInnerMat:
      return QStringLiteral("Inner Mat");
    case kCommandFrame:
      return QStringLiteral("Frame");
    case kCommandBackground:
      return QStringLiteral("Background and Lighting");
    case kCommandShowOuterMat:
      return QStringLiteral("Show Outer Mat");
    case kCommandShowMiddleMat:
      return QStringLiteral("Show Middle Mat");
    case kCommandShowInnerMat:
      return QStringLiteral("Show Inner Mat");
    default:
      return {};
  }
}

Document::Document(QObject* parent) : QObject(parent) {
  InitScene(&design_);
  ComputeOverallSize(&design_);
}

bool Document::Change(const QString& label, const std::function<bool(SceneSettings*)>& edit,
                      bool markModified) {
  SceneSettings before = design_;
  const bool done = edit(&design_);
  ComputeOverallSize(&design_);
  const bool differs = !SameDesign(before, design_);
  // A refused value may follow a choice already stored: the design changed
  // all the same, and the question at closing must know it.
  if (markModified && (done || differs)) design_.modified = 1;
  if (differs) {
    // A step taken from behind the saved design makes it unreachable.
    if (sinceSaved_ < 0) savedKnown_ = false;
    ++sinceSaved_;
    redo_.clear();
    undo_.push_back(Step{std::move(before), label});
    if (undo_.size() > kUndoSteps) undo_.pop_front();
  }
  // A refused value is not drawn, whatever was stored before it.
  if (done) emit changed();
  if (differs) emit historyChanged();
  return done;
}

bool Document::Load(const std::function<bool(SceneSettings*)>& load) {
  // A file that was not there (no default design, a declined recovery copy)
  // leaves nothing new to draw.
  const SceneSettings before = design_;
  const bool done = load(&design_);
  ComputeOverallSize(&design_);
  if (done) {
    undo_.clear();
    redo_.clear();
    sinceSaved_ = 0;
    savedKnown_ = design_.modified == 0;
  }
  if (done || before != design_) emit changed();
  emit historyChanged();
  return done;
}

void Document::MarkSaved() {
  design_.modified = 0;
  sinceSaved_ = 0;
  savedKnown_ = true;
  emit historyChanged();
}

void Document::Replace(SceneSettings design, long steps) {
  sinceSaved_ += steps;
  // A step's own flag dates from when it was taken; what counts now is
  // whether this is the design as last saved.
  design.modified = savedKnown_ && sinceSaved_ == 0 ? 0 : 1;
  design_ = std::move(design);
  emit changed();
  emit reloaded();
  emit historyChanged();
}

void Document::Undo() {
  if (undo_.empty()) return;
  Step step = std::move(undo_.back());
  undo_.pop_back();
  redo_.push_back(Step{design_, step.label});
  Replace(std::move(step.design), -1);
}

void Document::Redo() {
  if (redo_.empty()) return;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  undo_.push_back(Step{design_, step.label});
  Replace(std::move(step.design), 1);
}
