#include "output/qt_output_interaction.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>

#include "core/interaction.h"
#include "output/export_size.h"
#include "scene/text.h"

namespace {

// The job cannot be stopped half way, so the window cannot be closed either:
// hidden, it would no longer keep the user away from the main window while
// the composite is at the export size.
class UnclosableProgressDialog : public QProgressDialog {
 public:
  // No text for the cancel button: the dialog has none.
  UnclosableProgressDialog(const QString& label, QWidget* owner)
      : QProgressDialog(label, QString(), 0, 100, owner) {}
  void reject() override {}

 protected:
  void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

// Every print is one page (or one set of pages): the dialog's page-range
// choice has nothing to choose. Qt shows it whatever the options say, and
// again at every showing.
class PrintDialog : public QPrintDialog {
 public:
  using QPrintDialog::QPrintDialog;
  void setVisible(bool visible) override {
    QPrintDialog::setVisible(visible);
    if (!visible) return;
    if (auto* range = findChild<QWidget*>(QStringLiteral("gbPrintRange"))) range->hide();
  }
};

}  // namespace

ExportSizeDialog::ExportSizeDialog(int width, int height, Interaction* interaction, QWidget* owner)
    : QDialog(owner), interaction_(interaction) {
  setWindowTitle(QStringLiteral("File Export"));
  auto* layout = new QGridLayout(this);
  width_ = new QLineEdit(QString::fromStdString(FormatText("%d", {width})), this);
  height_ = new QLineEdit(QString::fromStdString(FormatText("%d", {height})), this);
  width_->setMaxLength(255);
  height_->setMaxLength(255);
  layout->addWidget(new QLabel(QStringLiteral("Width:"), this), 0, 0);
  layout->addWidget(width_, 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("pixels"), this), 0, 2);
  layout->addWidget(new QLabel(QStringLiteral("Height:"), this), 1, 0);
  layout->addWidget(height_, 1, 1);
  layout->addWidget(new QLabel(QStringLiteral("pixels"), this), 1, 2);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons, 2, 0, 1, 3);
  connect(buttons, &QDialogButtonBox::accepted, this, &ExportSizeDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ExportSizeDialog::reject);
}

void ExportSizeDialog::accept() {
  std::string message;
  if (CheckExportSize(width_->text().toStdString(), height_->text().toStdString(), &acceptedWidth_,
                      &acceptedHeight_, &message) != 0) {
    interaction_->ShowErrorBox(message);  // the dialog stays open
    return;
  }
  QDialog::accept();
}

bool QtOutputInteraction::AskExportSize(int* width, int* height) {
  ExportSizeDialog dialog(*width, *height, interaction_, owner_);
  if (dialog.exec() != QDialog::Accepted) return false;
  *width = dialog.acceptedWidth();
  *height = dialog.acceptedHeight();
  return true;
}

bool QtOutputInteraction::AskPrinter(QPrinter* printer) {
  PrintDialog dialog(printer, owner_);
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintCollateCopies |
                    QAbstractPrintDialog::PrintShowPageSize);
  return dialog.exec() == QDialog::Accepted;
}

QtOutputInteraction::~QtOutputInteraction() { EndProgress(); }

void QtOutputInteraction::BeginProgress(const std::string& label) {
  EndProgress();
  progress_ = new UnclosableProgressDialog(QString::fromStdString(label), owner_);
  progress_->setWindowTitle(QStringLiteral("File Export"));
  progress_->setWindowModality(Qt::ApplicationModal);
  // A quick export is over before the window would be worth reading.
  progress_->setMinimumDuration(800);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  progress_->setValue(0);  // starts the dialog's clock for the minimum duration
}

void QtOutputInteraction::ShowProgress(int percent) {
  if (!progress_) return;
  const bool wasShown = progress_->isVisible();
  // Being modal, the dialog lets the event loop paint each new value.
  progress_->setValue(percent);
  // The step that first shows it does not; without this the window would
  // stay blank until the next step, seconds later for a large export.
  if (!wasShown && progress_->isVisible()) QCoreApplication::processEvents();
}

void QtOutputInteraction::EndProgress() {
  delete progress_.data();  // null when its owner took it along
  progress_.clear();
}
