// Shows each dialog and the colour picker on the screen in turn and saves a
// picture of each into the folder named on the command line (the manual's
// images). Run it on a real or virtual X server:
//   xvfb-run -s "-screen 0 1024x768x24" dialog_gallery data/help/images
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

#include "dialogs_test_util.h"
#include "shell/colour_picker.h"
#include "shell/hit_test.h"
#include "shell/preferences_dialog.h"

namespace {

bool Save(QWidget* widget, const QDir& folder, const char* name) {
  widget->move(0, 0);
  widget->show();
  widget->raise();
  // Let the window manager (if any) and the style finish painting.
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  const QString path = folder.filePath(QString::fromUtf8(name));
  const bool saved = widget->grab().save(path, "PNG");
  std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: dialog_gallery <folder>\n");
    return 2;
  }
  QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.exists() && !QDir().mkpath(folder.path())) return 1;
  Harness h;
  h.state->scene.frame.overallWidth = 16.0;
  h.state->scene.frame.overallHeight = 14.0;
  bool ok = true;
  const std::pair<int, const char*> dialogs[] = {{kCommandBackground, "background_dialog.png"},
                                                 {kCommandFrame, "frame_dialog.png"},
                                                 {kCommandOuterMat, "mat_dialog.png"},
                                                 {kCommandImage, "image_dialog.png"}};
  for (const auto& [command, name] : dialogs) {
    PropertyDialog* dialog = h.Open(command);
    ok = Save(dialog, folder, name) && ok;
    dialog->reject();
    QApplication::processEvents();
  }
  {
    QWidget owner;
    auto* picker = new ColourPicker(&owner, QPoint(0, 0), QStringLiteral("Frame Color"), 711, {100, 50, 0});
    ok = Save(picker, folder, "colour_picker.png") && ok;
  }
  {
    PreferencesDialog preferences(&h.state->persistent, nullptr, nullptr);
    ok = Save(&preferences, folder, "preferences_dialog.png") && ok;
  }
  {
    AboutDialog about(nullptr);
    ok = Save(&about, folder, "about_dialog.png") && ok;
  }
  return ok ? 0 : 1;
}
