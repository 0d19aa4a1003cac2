// The output commands' own questions (the export size, the printer) and the
// export's progress window.
#pragma once

#include <string>

class QPrinter;

class OutputInteraction {
 public:
  virtual ~OutputInteraction() = default;
  // The "File Export" size dialog, starting from *width x *height. It stays
  // open until both values are whole numbers from 2 to 20000 (with its
  // messages) or it is cancelled. True with the accepted size.
  virtual bool AskExportSize(int* width, int* height) = 0;
  // The print dialog for one copy, no page range and no selection. True
  // when the user chose to print.
  virtual bool AskPrinter(QPrinter* printer) = 0;
  // A window telling how far a long job has come, from Begin to End, with
  // the percentage done (0 to 100) in between.
  virtual void BeginProgress(const std::string& label) = 0;
  virtual void ShowProgress(int percent) = 0;
  virtual void EndProgress() = 0;
};
