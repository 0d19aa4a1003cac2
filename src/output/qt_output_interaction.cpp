#include "output/qt_output_interaction.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>

#include "scene/text.h"
#include "shell/interaction.h"

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
  printer->setCopyCount(1);
  QPrintDialog dialog(printer, owner_);
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintCollateCopies |
                    QAbstractPrintDialog::PrintShowPageSize);
  return dialog.exec() == QDialog::Accepted;
}
