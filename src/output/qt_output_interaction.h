// The desktop's export size dialog, print dialog and export progress window.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QProgressDialog>
#include <string>

#include "output/output_interaction.h"

class QLineEdit;
class Interaction;

// "File Export": width and height in pixels, checked on OK.
class ExportSizeDialog : public QDialog {
  Q_OBJECT
 public:
  ExportSizeDialog(int width, int height, Interaction* interaction, QWidget* owner);
  QLineEdit* widthField() const { return width_; }
  QLineEdit* heightField() const { return height_; }
  int acceptedWidth() const { return acceptedWidth_; }
  int acceptedHeight() const { return acceptedHeight_; }
  void accept() override;

 private:
  Interaction* interaction_;
  QLineEdit* width_;
  QLineEdit* height_;
  int acceptedWidth_ = 0;
  int acceptedHeight_ = 0;
};

class QtOutputInteraction : public OutputInteraction {
 public:
  QtOutputInteraction(Interaction* interaction, QWidget* owner) : interaction_(interaction), owner_(owner) {}
  ~QtOutputInteraction() override;
  // The dialogs belong to `owner` once it is set; the progress window blocks
  // it (and only it) while it is up.
  void SetOwner(QWidget* owner) { owner_ = owner; }
  bool AskExportSize(int* width, int* height) override;
  bool AskPrinter(QPrinter* printer) override;
  void BeginProgress(const std::string& label) override;
  void ShowProgress(int percent) override;
  void EndProgress() override;
  QProgressDialog* progressDialog() const { return progress_.data(); }

 private:
  Interaction* interaction_;
  QWidget* owner_;
  QPointer<QProgressDialog> progress_;
};
