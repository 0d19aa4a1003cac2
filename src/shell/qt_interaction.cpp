#include "shell/qt_interaction.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace {

void SetUpFileDialog(QFileDialog* dialog, const FileDialogRequest& request) {
  // Qt's own dialog rather than the desktop portal, so that every run looks
  // and behaves the same and tests can drive it.
  dialog->setOption(QFileDialog::DontUseNativeDialog, true);
  if (request.filters.empty()) {
    dialog->setNameFilter(QString::fromStdString(request.filterName + " (" + request.pattern + ")"));
  } else {
    // Qt separates the patterns of one filter by blanks.
    QStringList filters;
    for (const FileFilter& filter : request.filters) {
      filters << QString::fromStdString(filter.name + " (" + filter.pattern + ")").replace(';', ' ');
    }
    dialog->setNameFilters(filters);
  }
  if (!request.initialName.empty()) dialog->selectFile(QString::fromStdString(request.initialName));
}

}  // namespace

std::string QtInteraction::AskOpenFile(const FileDialogRequest& request) {
  int filter = 0;
  return AskOpenFileWithFilter(request, &filter);
}

std::string QtInteraction::AskOpenFileWithFilter(const FileDialogRequest& request, int* chosenFilter) {
  QFileDialog dialog(owner_, QString::fromStdString(request.title), QString::fromStdString(request.folder));
  SetUpFileDialog(&dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  std::string chosen;
  *chosenFilter = 0;
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    chosen = dialog.selectedFiles().first().toStdString();
    *chosenFilter = std::max(0, static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter())));
  }
  return chosen;
}

std::string QtInteraction::AskSaveFile(const FileDialogRequest& request) {
  int filter = 0;
  return AskSaveFileWithFilter(request, &filter);
}

std::string QtInteraction::AskSaveFileWithFilter(const FileDialogRequest& request, int* chosenFilter) {
  QFileDialog dialog(owner_, QString::fromStdString(request.title), QString::fromStdString(request.folder));
  SetUpFileDialog(&dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The name accepted here may still get its ending added; the caller asks
  // about the name that is finally written (ConfirmReplace).
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  std::string chosen;
  *chosenFilter = 0;
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    chosen = dialog.selectedFiles().first().toStdString();
    *chosenFilter = std::max(0, static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter())));
  }
  return chosen;
}

Answer QtInteraction::AskYesNoCancel(const std::string& title, const std::string& text) {
  QMessageBox::StandardButton button =
      QMessageBox::question(owner_, QString::fromStdString(title), QString::fromStdString(text),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (button == QMessageBox::Yes) return Answer::Yes;
  if (button == QMessageBox::No) return Answer::No;
  return Answer::Cancel;
}

Answer QtInteraction::AskYesNo(const std::string& title, const std::string& text) {
  return QMessageBox::question(owner_, QString::fromStdString(title), QString::fromStdString(text),
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes
             ? Answer::Yes
             : Answer::No;
}

void QtInteraction::ShowErrorBox(const std::string& text) {
  QMessageBox::critical(owner_, QStringLiteral("Error"), QString::fromStdString(text), QMessageBox::Ok);
}
