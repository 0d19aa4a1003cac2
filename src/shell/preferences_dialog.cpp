#include "shell/preferences_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "scene/persistent.h"
#include "scene/units.h"
#include "shell/control_ids.h"

namespace {

QHBoxLayout* OkCancelRow(QDialog* dialog, bool withCancel) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
  ok->setObjectName(QString::number(kControlOk));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  row->addWidget(ok);
  if (withCancel) {
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QString::number(kControlCancel));
    cancel->setAutoDefault(false);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addWidget(cancel);
  }
  if (!withCancel) row->addStretch(1);
  return row;
}

// The selected position when it lies in the table; otherwise the stored
// value when that does, else the default, so no table is ever indexed
// outside its entries.
int32_t Chosen(int position, int32_t stored, int32_t count, int32_t fallback) {
  if (position >= 0 && position < count) return position;
  if (stored >= 0 && stored < count) return stored;
  return fallback;
}

}  // namespace

PreferencesDialog::PreferencesDialog(PersistentState* preferences, std::function<void()> renderAndRepaint,
                                     QWidget* owner)
    : QDialog(owner), preferences_(preferences), renderAndRepaint_(std::move(renderAndRepaint)) {
  setWindowTitle(QStringLiteral("Preferences"));
  units_ = new QComboBox(this);
  delay_ = new QComboBox(this);
  units_->setObjectName(QString::number(preferences_ids::kUnits));
  delay_->setObjectName(QString::number(preferences_ids::kUpdateDelay));
  for (const char* label : kUnitLabels) units_->addItem(QString::fromUtf8(label));
  for (const char* label : kUpdateDelayLabels) delay_->addItem(QString::fromUtf8(label));
  // A stored value outside a list selects nothing.
  units_->setCurrentIndex(preferences->units >= 0 && preferences->units < kUnitCount ? preferences->units
                                                                                     : -1);
  const auto delays = static_cast<int32_t>(kUpdateDelayLabels.size());
  delay_->setCurrentIndex(
      preferences->updateDelay >= 0 && preferences->updateDelay < delays ? preferences->updateDelay : -1);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Units:"), units_);
  form->addRow(QStringLiteral("Text Update Delay:"), delay_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(OkCancelRow(this, true));
}

void PreferencesDialog::accept() {
  preferences_->units = Chosen(units_->currentIndex(), preferences_->units, kUnitCount, kInches);
  preferences_->updateDelay = Chosen(delay_->currentIndex(), preferences_->updateDelay,
                                     static_cast<int32_t>(kUpdateDelayLabels.size()), 1);
  if (renderAndRepaint_) renderAndRepaint_();
  QDialog::accept();
}

AboutDialog::AboutDialog(QWidget* owner) : QDialog(owner) {
  setWindowTitle(QStringLiteral("About Passavue"));
  auto* layout = new QVBoxLayout(this);
  const char* lines[] = {"Passavue 1.0", "Copyright \xC2\xA9 Kestrow. All rights reserved.",
                         "Colour management by Little CMS,",
                         "copyright \xC2\xA9 Marti Maria Saguer, MIT licence."};
  for (const char* line : lines) {
    auto* label = new QLabel(QString::fromUtf8(line), this);
    label->setAlignment(Qt::AlignHCenter);
    layout->addWidget(label);
  }
  layout->addSpacing(8);
  layout->addLayout(OkCancelRow(this, false));
}
