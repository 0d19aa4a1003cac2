#include "shell/startup.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTimer>
#include <map>
#include <memory>
#include <string>

#include "core/hooks.h"
#include "display/monitor_profile.h"
#include "files/assets.h"
#include "files/import.h"
#include "output/export_tiff.h"
#include "output/print.h"
#include "output/qt_output_interaction.h"
#include "scene/settings_file.h"
#include "scene/text.h"
#include "shell/app_state.h"
#include "shell/design_commands.h"
#include "shell/document.h"
#include "shell/help_window.h"
#include "shell/hit_test.h"
#include "shell/main_window.h"
#include "shell/preferences_dialog.h"
#include "shell/property_dialog.h"
#include "shell/qt_interaction.h"
#include "shell/recovery.h"
#include "shell/settings_store.h"

namespace {

// Where the assets and the manual lie: beside the program in the build
// tree, or under share/passavue when installed.
std::string FindDataFolder(const std::string& programFolder) {
  QDir beside(QString::fromStdString(programFolder));
  if (beside.exists(QStringLiteral("Textures")) || beside.exists(QStringLiteral("Frames")))
    return programFolder;
  const QString installed = QDir::cleanPath(beside.filePath(QStringLiteral("../share/passavue")));
  if (QDir(installed).exists()) return installed.toStdString();
  return programFolder;
}

// The wait cursor from the core's busy hook; nested requests keep it up
// until the outermost one ends.
void InstallBusyCursor() {
  SetBusyHook([depth = 0](bool busy) mutable {
    if (busy) {
      if (depth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (depth > 0 && --depth == 0) {
      QApplication::restoreOverrideCursor();
    }
  });
}

}  // namespace

void PrepareState(AppState* state, KeyValueStore* store, const std::string& programFolder) {
  state->assetFolder = FindDataFolder(programFolder);
  state->programFolder = programFolder;
  if (state->assetFolder != programFolder) {
    // Installed, the program's folder is not the user's to write: the default
    // design (Save As Default, New) lives in the user's own data folder.
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!user.isEmpty() && QDir().mkpath(user)) state->programFolder = user.toStdString();
  }
  state->store = store;
  LoadPersistentState(store, state->programFolder, &state->persistent);
  FindMonitorProfile(&state->monitorProfile, &state->colorimetry);
  const QString decimalPoint = QLocale::system().decimalPoint();
  if (!decimalPoint.isEmpty()) SetDecimalSeparator(decimalPoint.at(0).toLatin1());
  LoadTextures(state->assetFolder, &state->textures, &state->inputProfile);
  LoadFrameTiles(state->assetFolder, &state->frameTiles, &state->inputProfile);
}

void OpenStartupFiles(AppState* state, MainWindow* window, const std::vector<std::string>& arguments) {
  // What the run starts from is no step to undo: each file replaces the
  // design outside the history.
  Document* document = window->document();
  document->Load([state](SceneSettings* design) { return LoadDefaultDesign(state, design); });
  for (const std::string& path : arguments) {
    // A design (say, double-clicked in a file manager) opens as File > Open
    // would, with its messages; everything else is a picture to frame.
    if (HasExtension(path, kSettingsExtension) == 0) {
      ReadDesign(state, document, path);
      continue;
    }
    const int32_t type = PictureFileTypeOf(path);
    if (type == kPictureUnknown) {
      ShowError(FormatText("Unsupported picture file type: %s", {path}));
      continue;
    }
    document->Load([state, &path, type](SceneSettings* design) {
      return LoadPicture(path, type, design, &state->inputProfile, &state->persistent.lastInputFolder) == 0;
    });
  }
}

std::vector<std::string> CommandLineFiles(int argc, char** argv) {
  // The bytes as given are the names the file system knows: decoded as text
  // and encoded again, a name that is not valid UTF-8 would name no file.
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr) files.emplace_back(argv[i]);
  }
  return files;
}

int RunPassavue(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QString::fromUtf8(kStateOrganization));
  QCoreApplication::setApplicationName(QString::fromUtf8(kStateApplication));
  QApplication::setWindowIcon(ProgramIcon());  // message boxes without an owner too

  if (QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr && screen->depth() < 24) {
    QMessageBox::critical(
        nullptr, QStringLiteral("Error"),
        QStringLiteral("Passavue requires your display to be set to at least 24-bit color."),
        QMessageBox::Ok);
    return 0;
  }

  QtInteraction interaction;
  SetErrorHook([&interaction](const std::string& message) { interaction.ShowErrorBox(message); });
  InstallBusyCursor();

  auto state = std::make_unique<AppState>();
  QtSettingsStore store;
  PrepareState(state.get(), &store, QCoreApplication::applicationDirPath().toStdString());
  const std::string dataFolder = state->assetFolder;

  // The design, owned by the run: the window shows it, and the recovery copy
  // and the session's questions reach it before the window exists.
  Document document;
  CommandHandlers handlers;
  MainWindow* window = nullptr;
  std::map<int, QRect> pickerPlacements;  // kept for the run only
  DialogContext dialogContext;
  dialogContext.state = state.get();
  dialogContext.document = &document;
  dialogContext.interaction = &interaction;
  dialogContext.pickerPlacements = &pickerPlacements;
  handlers.makePropertyDialog = [&dialogContext](int command, QWidget* owner) {
    return MakePropertyDialog(command, owner, dialogContext);
  };
  handlers.help = [&window, dataFolder]() { ShowHelpContents(dataFolder + "/help", window); };
  handlers.preferences = [&window, &state]() {
    // The units change the rulers and the dialogs' fields, not the design.
    PreferencesDialog dialog(
        &state->persistent, [&window]() { window->RenderAndRepaint(); }, window);
    dialog.exec();
  };
  handlers.about = [&window]() {
    AboutDialog dialog(window);
    dialog.exec();
  };

  QtOutputInteraction outputInteraction(&interaction, nullptr);
  const auto repaint = [&window]() {
    if (window != nullptr) window->view()->update();
  };
  handlers.exportTiff = [&, repaint]() {
    ExportTiff(OutputSourceOf(state.get(), document.design()), &interaction, &outputInteraction, repaint);
  };
  handlers.print = [&, repaint]() {
    PrintDesign(OutputSourceOf(state.get(), document.design()), &outputInteraction, repaint);
  };
  handlers.printSpecifications = [&]() {
    PrintSpecifications(OutputSourceOf(state.get(), document.design()), &outputInteraction);
  };

  // The handler is in place before the lock shows that this run keeps the copy.
  std::unique_ptr<RecoveryCopy> copy;
  bool ending = false;
  OnTerminationSignal(&app, [&]() {
    ending = true;
    if (copy) copy->Finish(document.design());
    QCoreApplication::exit(0);
  });
  copy = std::make_unique<RecoveryCopy>(RecoveryFolder());
  RecoveryCopy& recovery = *copy;
  // Logging out: the usual question where the session lets us ask, else the copy.
  bool discardedAtLogout = false;
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&](QSessionManager& manager) {
    if (document.design().modified != 1) return;
    if (!manager.allowsInteraction()) {
      recovery.Keep(document.design());
      return;
    }
    if (!ConfirmDiscardChanges(state.get(), &document, &interaction)) {
      manager.cancel();
    } else {
      discardedAtLogout = document.design().modified == 1;
    }
    manager.release();
  });

  MainWindow mainWindow(state.get(), &document, &interaction, handlers);
  window = &mainWindow;
  interaction.SetOwner(&mainWindow);
  outputInteraction.SetOwner(&mainWindow);
  mainWindow.setGeometry(20, 20, 800, 600);
  // A calibration tool loading a new profile: taken up once the event that
  // told of it has been handled.
  const std::unique_ptr<QAbstractNativeEventFilter> profileWatch = WatchX11ScreenProfiles([&mainWindow]() {
    QMetaObject::invokeMethod(&mainWindow, &MainWindow::FollowScreenProfile, Qt::QueuedConnection);
  });
  if (profileWatch) app.installNativeEventFilter(profileWatch.get());

  // QApplication has taken its own options out of argv by now.
  OpenStartupFiles(state.get(), &mainWindow, CommandLineFiles(argc, argv));
  mainWindow.showMaximized();
  document.Load([&](SceneSettings* design) { return recovery.Offer(design, &interaction); });
  // From here on (not before the copy was offered), a saved or discarded
  // design, or one undone to its saved state, leaves no copy behind, even
  // for a moment.
  QObject::connect(&document, &Document::historyChanged, &app, [&]() {
    if (document.design().modified == 0) recovery.Remove();
  });
  QTimer copier;
  QObject::connect(&copier, &QTimer::timeout, &app, [&]() { recovery.Keep(document.design()); });
  copier.start(kRecoveryIntervalMilliseconds);
  // A signal during the question above has already ended the run.
  const int code = ending ? 0 : app.exec();

  // Closed by the user, the design was saved or discarded; ended from
  // outside, a modified one is kept for the next start.
  if (mainWindow.isVisible() && !discardedAtLogout) {
    recovery.Keep(document.design());
  } else {
    recovery.Remove();
  }

  // The window is closed: keep the preferences before anything is released.
  SavePersistentState(state->persistent, &store);
  SetErrorHook(nullptr);
  SetBusyHook(nullptr);
  return code;
}
