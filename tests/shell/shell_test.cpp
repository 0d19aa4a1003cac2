// The desktop program driven without a person: the program started from a
// temporary program folder, with scripted answers standing in for every
// dialog and message box, and the program's own property dialogs where a
// test edits through them.
#include <QtTest>
#include <QtWidgets>
#include <filesystem>
#include <memory>

#include "core/hooks.h"
#include "dialogs/dialogs_test_util.h"
#include "display/monitor_profile.h"
#include "display/screen.h"
#include "render/render.h"
#include "scene/settings_file.h"
#include "scene/units.h"
#include "shell/app_state.h"
#include "shell/color_picker.h"
#include "shell/control_ids.h"
#include "shell/design_commands.h"
#include "shell/document.h"
#include "shell/help_window.h"
#include "shell/hit_test.h"
#include "shell/main_window.h"
#include "shell/qt_interaction.h"
#include "shell/recovery.h"
#include "shell/settings_store.h"
#include "shell/startup.h"
#include "support/files.h"
#include "support/modal_driver.h"
#include "support/pictures.h"
#include "support/profiles.h"
#include "support/scripted.h"

namespace {

// The build's generated assets lie beside the program folder, as they lie
// beside the installed program; the store outlives a run as the settings
// file does. Start() runs the program (again each time it is called); a
// test that lays files out first starts it itself.
struct Run {
  TempFolder folder;
  MapStore store;
  ScriptedInteraction interaction;
  CommandHandlers handlers;
  std::map<int, QRect> placements;
  std::unique_ptr<AppState> state;
  std::unique_ptr<Document> document;
  std::unique_ptr<MainWindow> window;

  // Plain property dialogs, or the program's own with `ownDialogs`.
  explicit Run(bool start = true, bool ownDialogs = false) {
    const std::filesystem::path build = qEnvironmentVariable("PASSAVUE_BUILD_DIR").toStdString();
    for (const char* assets : {"Textures", "Frames"})
      std::filesystem::create_directory_symlink(build / assets, folder.Root() / assets);
    handlers.makePropertyDialog = [this, ownDialogs](int command, QWidget* owner) {
      const DialogContext context{state.get(), window->document(), &interaction, &placements};
      return ownDialogs ? MakePropertyDialog(command, owner, context) : new QDialog(owner);
    };
    if (start) Start();
  }
  void Start(const std::vector<std::string>& arguments = {}) {
    window.reset();
    document = std::make_unique<Document>();
    state = std::make_unique<AppState>();
    SetErrorHook([this](const std::string& message) { interaction.ShowErrorBox(message); });
    PrepareState(state.get(), &store, folder.Root().string());
    window = std::make_unique<MainWindow>(state.get(), document.get(), &interaction, handlers);
    window->setGeometry(20, 20, 800, 600);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    OpenStartupFiles(state.get(), window.get(), arguments);
  }
  ~Run() {
    window.reset();
    SetErrorHook(nullptr);
  }
  // Runs the action of that text in that menu, when it is there and enabled.
  bool Trigger(const QString& menu, const QString& text) {
    for (QAction* top : window->menuBar()->actions())
      for (QAction* action : top->text() == menu ? top->menu()->actions() : QList<QAction*>{})
        if (action->text() == text && action->isEnabled()) {
          action->trigger();
          Settle();
          return true;
        }
    return false;
  }
  QString Label(int command) const { return window->action(command)->text(); }
  // Undoes (or redoes) until there is nothing left; the number of steps.
  int UndoAll(int command = kCommandUndo) {
    int steps = 0;
    for (QAction* action = window->action(command); action->isEnabled(); ++steps) action->trigger();
    return steps;
  }
  // File > Save to `name`; the file's bytes.
  FileBytes Save(const char* name) {
    interaction.saveAnswers = {folder.Path(name)};
    return Trigger("&File", "&Save\tCtrl-S") ? ReadAll(folder.Path(name)) : FileBytes{};
  }
  // Set up behind the history's back, as a file read would.
  SceneSettings& design() { return *document->boundDesign(); }
  // The design as its file would hold it, leaving the document alone; with
  // the overall size the document keeps, which a test's own edits skip.
  FileBytes DesignBytes() {
    SceneSettings copy = design();
    ComputeOverallSize(&copy);
    std::string unused;
    return SaveSettingsFileAs(folder.Path("copy.Passavue"), &copy, &unused) == 0
               ? ReadAll(folder.Path("copy.Passavue"))
               : FileBytes{};
  }
};

void WriteDesign(const std::string& path, double ratio) {
  SceneSettings scene;
  InitScene(&scene);
  scene.background.ratio = ratio;
  std::string folder;
  QCOMPARE(SaveSettingsFileAs(path, &scene, &folder), 0);
}

// File > Recent Designs as it shows when the File menu opens: "text|tooltip" per entry.
QStringList RecentEntries(const Run& run) {
  QMenu* recent = run.window->recentDesignsMenu();
  emit qobject_cast<QMenu*>(recent->parentWidget())->aboutToShow();
  QStringList entries;
  for (QAction* entry : recent->actions()) entries << entry->text() + "|" + entry->toolTip();
  return entries;
}

// Drags the files over the window and drops them; false when the window refused them.
bool Drop(const Run& run, const std::vector<std::string>& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const std::string& path : paths)
    urls << (path.find("://") == std::string::npos ? QUrl::fromLocalFile(QString::fromStdString(path))
                                                   : QUrl(QString::fromStdString(path)));
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(run.window.get(), &enter);
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(run.window.get(), &drop);
  QCoreApplication::processEvents();  // the file is taken once the drop has ended
  Settle();
  return enter.isAccepted() && drop.isAccepted();
}

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // The default design drawn at the view's size, under the program's own
  // icon; hiding a mat takes its margins out of the size and is a change to
  // the design, the rulers are not.
  void startsWithDefaultsAndViewSwitches() {
    Run run;
    const SceneSettings& design = run.design();
    QCOMPARE(
        run.window->windowIcon().pixmap(QSize(48, 48), 1.0).toImage().convertToFormat(QImage::Format_ARGB32),
        QImage(qEnvironmentVariable("PASSAVUE_SOURCE_DIR") + "/data/icons/passavue-48.png")
            .convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(
        std::tuple(design.background.ratio, design.frame.overallWidth, run.state->persistent.lastParamsFolder,
                   QSize(run.state->render.composite.width, run.state->render.composite.height)),
        std::tuple(1.2, 16.0, run.folder.Root().string(), run.window->view()->size()));
    run.window->RunCommand(kCommandShowMiddleMat);
    QCOMPARE(std::tuple(design.mats[kMiddleMat].shown, design.frame.overallWidth, design.modified),
             std::tuple(0, 15.0, 1));
    run.design().modified = 0;
    run.window->RunCommand(kCommandRulers);
    run.window->UpdateCheckMarks();
    QVERIFY(run.window->action(kCommandRulers)->isChecked() &&
            !run.window->action(kCommandShowMiddleMat)->isChecked() && design.modified == 0);
  }

  // Files named on the command line come after the default design, each as
  // it comes: pictures (the last wins; a Latin-1 name, not valid UTF-8, as an
  // old camera card may give it), designs as File > Open takes them (a
  // damaged one keeps what it applied), and anything else is refused.
  void commandLineFilesOpenInTurn() {
    Run run(false);
    const TempFolder& folder = run.folder;
    std::vector<std::string> names = {"passavue",     "a.tif",       "b.txt",       "caf\xE9.tif",
                                      "bad.Passavue", "no.Passavue", "d/A.PASSAVUE"};
    std::vector<char*> argv;
    for (std::string& name : names) argv.push_back((name = folder.Path(name)).data());
    QVERIFY(WriteTiffPicture(names[1], 40, 30, 100.0) && WriteTiffPicture(names[3], 30, 60, 100.0));
    std::ofstream(names[4], std::ios::binary) << "Passavue 1.0\r\nbackground 3.0 1 2 3\r\n";
    std::filesystem::create_directory(folder.Root() / "d");
    WriteDesign(names[6], 2.5);
    WriteDesign(folder.Path("default.Passavue"), 2.0);
    run.Start(CommandLineFiles(static_cast<int>(argv.size()), argv.data()));
    const SceneSettings& design = run.design();
    QCOMPARE(std::tuple(run.interaction.errors, design.background.ratio, design.background.color.blue,
                        PictureImage(design.picture).height, design.picture.pathname, design.modified,
                        run.state->persistent.lastParamsFolder, run.state->persistent.lastInputFolder),
             std::tuple(std::vector{"Unsupported picture file type: " + names[2],
                                    "Error reading file: " + names[4], "Cannot open file: " + names[5]},
                        2.5, 100, 60, names[3], 0, folder.Path("d"), folder.Root().string()));
  }

  // bin/passavue with its data in share/passavue, as installed (the run's
  // folder is the prefix and its own share/passavue): the default design is
  // the user's own.
  void installedCopyKeepsTheDefaultDesignAndPreferencesPerUser() {
    Run run(false);
    std::filesystem::create_directories(run.folder.Root() / "bin");
    std::filesystem::create_directories(run.folder.Root() / "share");
    std::filesystem::create_directory_symlink(run.folder.Root(), run.folder.Root() / "share/passavue");
    AppState state;
    Document document;
    ErrorCapture capture;  // the assets are found
    PrepareState(&state, &run.store, run.folder.Path("bin"));
    const std::string user =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation).toStdString();
    QCOMPARE(std::tuple(state.programFolder, state.persistent.lastParamsFolder, capture.messages.size(),
                        SaveDesignAsDefault(&state, &document) == SaveOutcome::Saved),
             std::tuple(user, user, size_t{0}, true));
    QVERIFY(std::filesystem::remove(user + "/default.Passavue"));
    // The preferences through Qt's settings, over two runs.
    QSettings(QStringLiteral("Kestrow"), QStringLiteral("Passavue")).clear();
    for (int start = 0; start < 2; ++start) {
      QtSettingsStore store;
      PersistentState state;
      LoadPersistentState(&store, "/opt/passavue", &state);
      QCOMPARE(std::tuple(state.showRuler, state.units, state.lastExportWidth, state.lastParamsFolder),
               std::tuple(start, start, start == 0 ? 1024 : 3000, std::string("/opt/passavue")));
      std::tie(state.showRuler, state.units, state.lastExportWidth) = std::tuple(1, 1, 3000);
      QCOMPARE(SavePersistentState(state, &store), 0);
    }
    QCOMPARE(QSettings("Kestrow", "Passavue").value("State/units").toString(), QStringLiteral("1"));
  }

  // Window points map to composite rows counted from the bottom, and a part
  // holds its first row, not the one past its last; a hidden mat gives its
  // place to the next one out. A click opens the dialog of what lies under
  // it, once, where it was last placed.
  void clicksOpenOneDialogEach() {
    Run run;
    DesignView* view = run.window->view();
    const LayoutRects& layout = run.state->render.layout;
    const int height = run.state->render.composite.height;
    std::vector<int> parts;
    int c = 0, r = 0;
    view->ToComposite(QPoint(3, 5), &c, &r);
    const PixelRect& border = layout.borderOuter;
    for (int row : {border.y0 - 1, border.y0, border.y1 - 1, border.y1})
      parts.push_back(HitTest(run.design(), layout, (border.x0 + border.x1) / 2, row));
    run.design().mats[kInnerMat].shown = 0;
    parts.push_back(HitTest(run.design(), layout, (border.x0 + border.x1) / 2, border.y0 - 1));
    QCOMPARE(std::tuple(c, r, parts), std::tuple(3, height - 6,
                                                 std::vector{kCommandInnerMat, kCommandImage, kCommandImage,
                                                             kCommandInnerMat, kCommandMiddleMat}));
    const PixelRect& picture = layout.pictureRect;
    const QPoint onPicture((picture.x0 + picture.x1) / 2, height - 1 - (picture.y0 + picture.y1) / 2);
    QTest::mouseClick(view, Qt::RightButton, {}, onPicture);
    QDialog* dialog = run.window->propertyDialog(kCommandImage);
    QVERIFY(dialog != nullptr && dialog->isVisible());
    QTest::mouseClick(view, Qt::LeftButton, {}, onPicture);
    const PixelRect& mat = layout.matOuter[kOuterMat];
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint((mat.x0 + mat.x1) / 2, height - 3 - mat.y0));
    QVERIFY(run.window->propertyDialog(kCommandImage) == dialog &&
            run.window->propertyDialog(kCommandOuterMat));
    dialog->setGeometry(140, 160, 320, 240);
    dialog->reject();
    QTRY_VERIFY(run.window->propertyDialog(kCommandImage) == nullptr);
    run.window->RunCommand(kCommandImage);
    QCOMPARE(run.window->propertyDialog(kCommandImage)->geometry(), QRect(140, 160, 320, 240));
  }

  // New, Close and Open ask about unsaved work first, the Open dialog after
  // the question. Cancel, or Yes with the Save dialog cancelled, changes
  // nothing; No goes on; Yes with a name saves first. New brings back the
  // default design and the stored preferences; a failed Open keeps the mark.
  // The name in each row is given to the Open or Save dialog.
  void unsavedWorkIsAskedAbout() {
    for (auto [command, answer, name, done, ratio] :
         {std::tuple(kCommandNew, Answer::Cancel, "", false, 5.0),
          std::tuple(kCommandNew, Answer::Yes, "", false, 5.0),
          std::tuple(kCommandNew, Answer::No, "", true, 3.0),
          std::tuple(kCommandExit, Answer::Yes, "kept", true, 5.0),
          std::tuple(kCommandOpen, Answer::Yes, "", false, 5.0),
          std::tuple(kCommandOpen, Answer::No, "design.Passavue", true, 1.2),
          std::tuple(kCommandOpen, Answer::No, "missing.Passavue", false, 5.0)}) {
      Run run;
      WriteDesign(run.folder.Path("default.Passavue"), 3.0);
      WriteDesign(run.folder.Path("design.Passavue"), 1.2);
      run.store.values["units"] = "2";
      std::tie(run.design().background.ratio, run.design().modified) = std::tuple(5.0, 1);
      run.interaction.answers = {answer};
      const std::string path = *name == 0 ? std::string() : run.folder.Path(name);
      (command == kCommandOpen ? run.interaction.openAnswers : run.interaction.saveAnswers).push_back(path);
      const bool result = command == kCommandNew
                              ? NewDesign(run.state.get(), run.document.get(), &run.interaction)
                          : command == kCommandOpen
                              ? OpenDesignWithDialog(run.state.get(), run.document.get(), &run.interaction)
                              : run.window->close();
      const std::string question = command == kCommandNew ? "File New|Save current settings first?"
                                                          : "Warning|Save modified settings?";
      const bool missing = std::string(name) == "missing.Passavue";
      QCOMPARE(
          std::tuple(result, run.interaction.questions, run.interaction.errors, run.design().background.ratio,
                     run.design().modified, run.state->persistent.units, run.interaction.openRequests.size(),
                     std::filesystem::exists(run.folder.Path("kept.Passavue"))),
          std::tuple(done, std::vector{question},
                     missing ? std::vector{"Cannot open file: " + path} : std::vector<std::string>{}, ratio,
                     done ? 0 : 1, command == kCommandNew && done ? 2 : 0,
                     size_t(command == kCommandOpen && (done || missing)), command == kCommandExit));
    }
  }

  // Save: a name with another ending is refused with the message and asked
  // again; one given without its ending is asked about as it will be
  // written, and No asks for another name, starting from that one.
  void fileDialogsTakeNamesAsTheyWillBeWritten() {
    Run run;
    ScriptedInteraction& asked = run.interaction;
    run.design().modified = 1;
    asked.saveAnswers = {run.folder.Path("design.txt"), run.folder.Path("design")};
    QVERIFY(SaveDesignWithDialog(run.state.get(), run.document.get(), &asked) == SaveOutcome::Saved);
    QCOMPARE(
        std::tuple(asked.errors, asked.saveRequests.size(), asked.saveRequests[1].initialName,
                   run.design().modified, std::filesystem::exists(run.folder.Path("design.Passavue"))),
        std::tuple(std::vector<std::string>{"Passavue settings files must have an extension of .Passavue"},
                   size_t{2}, run.folder.Path("design.txt"), 0, true));
    asked.saveAnswers = {run.folder.Path("design"), run.folder.Path("other")};
    asked.answers = {Answer::No};
    QVERIFY(SaveDesignWithDialog(run.state.get(), run.document.get(), &asked) == SaveOutcome::Saved);
    QCOMPARE(std::tuple(asked.questions, asked.saveRequests.back().initialName,
                        std::filesystem::exists(run.folder.Path("other.Passavue"))),
             std::tuple(
                 std::vector<std::string>{
                     "Save Passavue Settings|design.Passavue already exists.\nDo you want to replace it?"},
                 run.folder.Path("design.Passavue"), true));
    // Through Qt's own dialogs, typed without its ending: No shows the file
    // dialog again, which is cancelled. With its ending: one question only,
    // Qt's own is not asked as well.
    const std::string existing = run.folder.Path("photo.Passavue");
    WriteDesign(existing, 3.0);
    const FileBytes before = ReadAll(existing);
    QtInteraction qt;
    const QString question =
        "Save Passavue Settings|photo.Passavue already exists.\nDo you want to replace it?";
    for (auto [typed, answer, outcome, seen] :
         {std::tuple("photo", QMessageBox::No, SaveOutcome::Cancelled,
                     QStringList{"QFileDialog", question, "QFileDialog"}),
          std::tuple("photo.Passavue", QMessageBox::Yes, SaveOutcome::Saved,
                     QStringList{"QFileDialog", question})}) {
      ModalDriver driver;
      driver.steps = {ModalDriver::Name(typed), ModalDriver::Press(answer),
                      [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }};
      QVERIFY(SaveDesignWithDialog(run.state.get(), run.document.get(), &qt) == outcome);
      QCOMPARE(std::tuple(driver.seen, ReadAll(existing) == before),
               std::tuple(seen, outcome == SaveOutcome::Cancelled));
    }
    // Qt's own open dialog offers the filters with blank-separated patterns
    // and tells which one was shown when a name without an ending was chosen.
    WriteAll(run.folder.Path("harbour"), {});
    FileDialogRequest request;
    request.folder = run.folder.Root().string();
    request.filters = {{"TIFF Files", "*.tif;*.tiff"}, {"JPEG Files", "*.jpg;*.jpeg;*.jpe"}};
    for (int chosen : {1, 0}) {
      QStringList offered;
      ModalDriver driver;
      driver.steps = {[&offered, chosen](QWidget* modal) {
        offered = qobject_cast<QFileDialog*>(modal)->nameFilters();
        qobject_cast<QFileDialog*>(modal)->selectNameFilter(offered.value(chosen));
        ModalDriver::Name("harbour")(modal);
      }};
      int filter = -1;
      QCOMPARE(std::tuple(qt.AskOpenFileWithFilter(request, &filter), filter, offered),
               std::tuple(run.folder.Path("harbour"), chosen,
                          QStringList{"TIFF Files (*.tif *.tiff)", "JPEG Files (*.jpg *.jpeg *.jpe)"}));
    }
  }

  // Only modified work is kept, by the first Passavue only; ended from
  // outside, the design is kept and left alone from then on. The next start
  // asks once: Yes brings it back as modified work (the copy stays until it
  // is saved), No drops it.
  void recoveryCopyFollowsTheDesignAndIsOffered() {
    TempFolder home;
    const std::string recovery = home.Path(".local/share/Kestrow/Passavue/recovery");
    SceneSettings design;
    InitScene(&design);
    ScriptedInteraction interaction;
    {
      RecoveryCopy copy(recovery);
      QVERIFY(copy.active() && !RecoveryCopy(recovery).active());
      std::vector<bool> kept;
      design.background.ratio = 2.5;
      for (int modified : {1, 0}) {
        design.modified = modified;
        copy.Keep(design);
        kept.push_back(std::filesystem::exists(copy.path()));
      }
      design.modified = 1;
      copy.Finish(design);
      copy.Remove();
      kept.push_back(std::filesystem::exists(copy.path()));
      QCOMPARE(kept, (std::vector<bool>{true, false, true}));
    }
    for (Answer answer : {Answer::Yes, Answer::No}) {
      InitScene(&design);
      RecoveryCopy copy(recovery);
      interaction.answers = {answer};
      QCOMPARE(copy.Offer(&design, &interaction), answer == Answer::Yes);
      QVERIFY(!copy.Offer(&design, &interaction));
      QCOMPARE(std::tuple(design.background.ratio, design.modified, std::filesystem::exists(copy.path())),
               answer == Answer::Yes ? std::tuple(2.5, 1, true) : std::tuple(1.2, 0, false));
    }
    QCOMPARE(interaction.questions,
             std::vector<std::string>(
                 2, "Warning|Passavue was not closed properly. Restore the design you were working on?"));
    // The program asks about the copy of an earlier run and is ended while
    // asking: it leaves normally and the copy waits for the next start.
    WriteDesign(recovery + "/recovery.Passavue", 2.5);
    const FileBytes before = ReadAll(recovery + "/recovery.Passavue");
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString(home.Root().string()));
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home.Path(".config")));
    environment.remove("XDG_DATA_HOME");
    program.setProcessEnvironment(environment);
    program.start(qEnvironmentVariable("PASSAVUE_BUILD_DIR") + "/passavue", {});
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(recovery + "/recovery.lock"), 20000);
    QTest::qWait(300);  // most likely while the question is up; before it the copy is as safe
    program.terminate();
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(std::tuple(program.exitStatus(), program.exitCode(), ReadAll(recovery + "/recovery.Passavue")),
             std::tuple(QProcess::NormalExit, 0, before));
  }

  // The view at 961 x 841 with the wall 1.5 times the frame (24 x 21
  // inches): 40.04 pixels an inch, so a tick every 10 pixels in inches
  // and every 7.874 in millimetres; every fourth is long and labelled. At a
  // quarter of that scale the millimetre labels would run together: only
  // those that clear the last one are drawn.
  void rulersShowTheWall() {
    for (auto [units, ratio, spacing] : {std::tuple(kInches, 1.5, 10.0), std::tuple(kMillimetres, 1.5, 7.874),
                                         std::tuple(kMillimetres, 6.0, 0.0)}) {
      AppState state;
      Document document;
      document.boundDesign()->background.ratio = ratio;
      std::tie(state.persistent.showRuler, state.persistent.units) = std::tuple(1, units);
      QFont font("Arial");
      font.setPixelSize(11);
      DesignView view(&state, &document, &font, nullptr);
      view.resize(961, 841);
      view.show();
      QVERIFY(QTest::qWaitForWindowExposed(&view));
      const QImage shot = view.grab().toImage();
      const QRgb grey = qRgb(128, 128, 128), white = qRgb(255, 255, 255);
      // Along a line one or four pixels in from the top and the left edge
      // every tick crosses the first, only the long ones the second; along
      // the labels' band each inked run is one label, none merged.
      std::array<std::vector<int>, 4> at;
      for (int a = 0; a < 200; ++a)
        for (int i = 0; i < 4; ++i)
          if (shot.pixel(i % 2 ? i / 2 * 3 + 1 : a, i % 2 ? a : i / 2 * 3 + 1) == grey) at[i].push_back(a);
      if (spacing > 0.0) {
        std::vector<int> ticks, longTicks;
        for (int i = 0; std::lround(i * spacing) < 200; ++i) {
          ticks.push_back(static_cast<int>(std::lround(i * spacing)));
          if (i % 4 == 0) longTicks.push_back(ticks.back());
        }
        QCOMPARE(at, (std::array{ticks, ticks, longTicks, longTicks}));
        continue;
      }
      const int band = 6 + 3 + QFontMetrics(font).ascent() - 4;
      std::vector<int> runs{0};
      for (int x = 40; x < 961; ++x) {
        const QRgb ink = shot.pixel(x, band);
        if (ink != white && ink != grey)
          ++runs.back();
        else if (runs.back() > 0)
          runs.push_back(0);
      }
      QVERIFY(runs.size() > 10);
      QVERIFY(*std::max_element(runs.begin(), runs.end()) <= QFontMetrics(font).horizontalAdvance("1600"));
    }
  }

  // A missing manual is reported. The manual opens at its contents, is raised
  // rather than opened twice, follows a link within itself, and fits its
  // screenshots (680 pixels at most) to a narrow window in proportion and
  // shows them whole in a wide one.
  void helpWindowShowsTheManual() {
    ErrorCapture capture;
    QVERIFY(ShowHelpContents("/no/manual", nullptr) == nullptr);
    QCOMPARE(capture.messages, std::vector<std::string>{"Cannot open file: /no/manual/index.html"});
    const std::string manual = qEnvironmentVariable("PASSAVUE_SOURCE_DIR").toStdString() + "/data/help";
    QPointer<QTextBrowser> help = qobject_cast<QTextBrowser*>(ShowHelpContents(manual, nullptr));
    QVERIFY(help && help->isVisible());
    QCOMPARE(std::tuple(help->windowTitle(), help->source().fileName(), help->document()->isEmpty(),
                        ShowHelpContents(manual, nullptr)),
             std::tuple(QStringLiteral("Passavue Help"), QStringLiteral("index.html"), false,
                        static_cast<QWidget*>(help.data())));
    for (int width : {400, 900}) {
      help->resize(width, 500);
      QCoreApplication::processEvents();
      std::vector<QTextImageFormat> images;
      for (QTextBlock block = help->document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
          if (it.fragment().charFormat().isImageFormat())
            images.push_back(it.fragment().charFormat().toImageFormat());
      const auto widest = std::max_element(images.begin(), images.end(),
                                           [](auto& a, auto& b) { return a.width() < b.width(); });
      QVERIFY(images.size() >= 10 && widest->width() < help->viewport()->width());
      QCOMPARE(width == 900 ? widest->width() : images[0].height(),
               width == 900 ? 680.0 : images[0].width() * 478 / 680);
    }
    // The first link, chosen with Tab and followed with Return.
    help->setFocus();
    QTest::keyClick(help, Qt::Key_Tab);
    QTest::keyClick(help, Qt::Key_Return);
    QTRY_COMPARE(help->source().fragment(), QStringLiteral("first"));
    QVERIFY(help->verticalScrollBar()->value() > 0);
    delete help;
  }

  // The window as the screen shows it at every scale: each device row and
  // column of the view is the composite's, to the window's last device pixel,
  // with no seam where bands meet. Qt takes the scale at start, so each
  // scale runs in a process of its own.
  void viewShowsTheCompositeAtEveryScale() {
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
      for (const char* factor : {"1", "1.25", "1.5", "1.75", "2"}) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_SCALE_FACTOR", factor);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {"viewShowsTheCompositeAtEveryScale"});
        QVERIFY2(child.waitForFinished(120000) && child.exitCode() == 0,
                 factor + ("\n" + child.readAllStandardOutput()));
      }
      return;
    }
    Run run;
    run.state->persistent.showRuler = 0;
    run.window->RenderAndRepaint();
    QCoreApplication::processEvents();
    const QImage screen = run.window->grab().toImage();  // children at their offsets
    const Image& composite = run.state->render.composite;
    const QPoint origin =
        run.window->view()->mapTo(run.window.get(), QPoint(0, 0)) * run.window->devicePixelRatioF();
    QVERIFY(composite.height > 2 * composite.rowsPerChunk);
    QCOMPARE(std::tuple(origin.x() + composite.width, origin.y() + composite.height),
             std::tuple(screen.width(), screen.height()));
    for (int y = 0; y < composite.height; ++y)
      for (int x = 0; x < composite.width; ++x)
        if (screen.pixel(origin.x() + x, origin.y() + y) != PixelArgb(composite, x, y))
          QFAIL(qPrintable(QStringLiteral("device row %1, column %2 differs").arg(y).arg(x)));
  }

  // The profile of the screen the window is on, read again when told that
  // the published profiles changed: the view shows the composite converted to
  // it, with one transform kept across paintings, or the composite itself.
  void monitorProfileFollowsTheScreen() {
    Run run;
    AppState& state = *run.state;
    const double defaultRedX = state.colorimetry.red.X;
    IccProfile published = WideGamutProfile();
    run.window->SetScreenProfileReader(
        [&published](int index) { return index == 0 ? published : IccProfile(); });
    run.window->FollowScreenProfile();
    for (int i = 0; i < 2; ++i) {
      run.window->RenderAndRepaint();
      run.window->view()->grab();
    }
    Image expected;
    DisplayTransform fresh;
    QCOMPARE(MakeDisplayCopy(state.render.composite, published, &fresh, &expected), 0);
    QCOMPARE(std::tuple(state.monitorProfile == published, state.colorimetry.red.X != defaultRedX,
                        expected.HasPixels(), FirstDifferentRow(expected, state.render.displayCopy),
                        state.displayTransform.builds),
             std::tuple(true, true, true, -1, 1));
    published.clear();
    run.window->FollowScreenProfile();
    run.window->view()->grab();
    QCOMPARE(std::tuple(state.monitorProfile.empty(), state.render.displayCopy.HasPixels(),
                        state.colorimetry.red.X),
             std::tuple(true, false, defaultRedX));
    // A property may be longer than the profile it holds (padding); one whose
    // header claims more than it holds, or less than a header, is not taken.
    const uint8_t* srgb = SrgbProfileBytes();
    std::vector<uint8_t> header(srgb, srgb + 200);
    std::tie(header[2], header[3]) = std::pair(0, 100);  // declares 100 bytes, less than a header
    const IccProfile whole(srgb, srgb + kSrgbProfileLength);
    for (auto [bytes, length, taken] :
         {std::tuple(srgb, kSrgbProfileLength, true), std::tuple(srgb, kSrgbProfileLength + 10, true),
          std::tuple(srgb, 100u, false), std::tuple(srgb, kSrgbProfileLength - 1, false),
          std::tuple(static_cast<const uint8_t*>(nullptr), 0u, false),
          std::tuple(static_cast<const uint8_t*>(header.data()), 200u, false)})
      QCOMPARE(ProfileFromProperty(bytes, length), taken ? whole : IccProfile());
  }

  // Every kind of edit, undone to the saved start and redone to the end. The
  // open Frame dialog shows what Undo and Redo put back; an apply that keeps
  // every value is no step.
  void editsUndoneToTheSavedDesignAndRedone() {
    Run desk(true, true);
    const std::string picture = desk.folder.Path("boats.tif");
    QVERIFY(WriteTiffPicture(picture, 40, 20, 10.0));  // 4 by 2 inches
    const FileBytes saved = desk.Save("start.Passavue");
    QVERIFY(!saved.empty() && desk.design().modified == 0);
    QVERIFY(desk.Trigger("&Settings", "&Image"));
    PropertyDialog* image = static_cast<PropertyDialog*>(desk.window->propertyDialog(kCommandImage));
    desk.interaction.openAnswers = {picture};
    Click(image, image_ids::kSelect);  // a new picture
    QCOMPARE(desk.Label(kCommandUndo), QStringLiteral("&Undo Image"));
    Click(image, image_ids::kCustomSizeRadio);
    QCOMPARE(desk.Label(kCommandUndo), QStringLiteral("&Undo Image"));
    Enter(image, image_ids::kWidth, "3");  // a custom size
    QCOMPARE(desk.Label(kCommandUndo), QStringLiteral("&Undo Image"));
    Click(image, kControlOk);  // nothing more changed: no step
    QVERIFY(desk.Trigger("&Settings", "&Frame"));
    PropertyDialog* frame = static_cast<PropertyDialog*>(desk.window->propertyDialog(kCommandFrame));
    auto shown = [frame]() {
      return std::tuple(Text(frame, frame_ids::kLeft), Text(frame, frame_ids::kRight),
                        Field(frame, frame_ids::kRight)->isEnabled(),
                        frame->controlAs<QCheckBox>(frame_ids::kEqual)->isChecked());
    };
    const QString left = Text(frame, frame_ids::kLeft);
    QCOMPARE(shown(), std::tuple(left, QString(), false, true));  // four equal widths
    Click(frame, frame_ids::kEqual);                              // the values stay: no step
    Enter(frame, frame_ids::kRight, "2.5");
    QVERIFY(desk.Trigger("&Edit", "&Undo Frame"));
    QCOMPARE(shown(), std::tuple(left, QString(), false, true));
    QVERIFY(desk.Trigger("&Edit", "&Redo Frame"));
    QCOMPARE(shown(), std::tuple(left, QStringLiteral("2.500 in"), true, false));
    Click(frame, kControlOk);  // no step
    QVERIFY(desk.Trigger("&Settings", "&Outer Mat"));
    PropertyDialog* mat = static_cast<PropertyDialog*>(desk.window->propertyDialog(kCommandOuterMat));
    Click(mat, mat_ids::kColor);
    ColorPicker* picker = mat->picker(mat_ids::kColorPicker);
    const RgbColor before = desk.design().mats[0].color;
    // A drag through the hexagon is one step, taken at the release.
    QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(40, 130));
    QTest::mouseMove(picker, QPoint(90, 60));
    QTest::mouseMove(picker, QPoint(200, 120));
    QTest::mouseRelease(picker, Qt::LeftButton, {}, QPoint(200, 120));
    QCOMPARE(desk.Label(kCommandUndo), QStringLiteral("&Undo Outer Mat"));
    const RgbColor dragged = desk.design().mats[0].color;
    Click(mat, kControlCancel);  // puts the colour back: a step too
    QCOMPARE(desk.Label(kCommandUndo), QStringLiteral("&Undo Outer Mat"));
    QVERIFY(!(dragged == before) && desk.design().mats[0].color == before);
    QVERIFY(desk.Trigger("&View", "&Middle Mat"));
    QCOMPARE(desk.Label(kCommandUndo), QStringLiteral("&Undo Show Middle Mat"));
    const FileBytes edited = desk.DesignBytes();
    const std::shared_ptr<const Image> framed = desk.design().picture.raster;

    QVERIFY(desk.Trigger("&Edit", "&Undo Show Middle Mat") && desk.Trigger("&Edit", "&Undo Outer Mat"));
    QVERIFY(desk.design().mats[0].color == dragged);
    QCOMPARE(desk.Label(kCommandRedo), QStringLiteral("&Redo Outer Mat"));
    QCOMPARE(desk.UndoAll() + 2, 7);  // a step for each edit above
    QCOMPARE(std::tuple(desk.DesignBytes(), desk.design().modified, desk.design().picture.raster == nullptr,
                        desk.Label(kCommandUndo), desk.Label(kCommandRedo)),
             std::tuple(saved, 0, true, QStringLiteral("&Undo"), QStringLiteral("&Redo Image")));
    QCOMPARE(desk.UndoAll(kCommandRedo), 7);
    QCOMPARE(std::tuple(desk.DesignBytes(), desk.design().modified, desk.design().picture.raster == framed),
             std::tuple(edited, 1, true));
  }

  // The history keeps kUndoSteps steps; New and Open start it afresh. Closing
  // asks only away from the saved step; a step taken from behind the saved
  // design leaves it out of reach.
  void historyIsBoundedAndFollowsTheSavedStep() {
    Run desk(true, true);
    const FileBytes saved = desk.Save("start.Passavue");
    for (int i = 0; i < int(kUndoSteps) + 5; ++i) QVERIFY(desk.Trigger("&View", "&Inner Mat"));
    QCOMPARE(desk.UndoAll(), int(kUndoSteps));
    // The saved design lies beyond the oldest step kept: this one is not it.
    QCOMPARE(std::tuple(desk.design().mats[2].shown, desk.design().modified), std::tuple(0, 1));
    // To New, to the second Close (the first is not asked) and to Open.
    desk.interaction.answers = {Answer::No, Answer::Cancel, Answer::No};
    QVERIFY(desk.Trigger("&File", "&New...\tCtrl-N"));
    QVERIFY(!desk.window->action(kCommandUndo)->isEnabled() &&
            !desk.window->action(kCommandRedo)->isEnabled());
    QVERIFY(desk.Trigger("&View", "&Outer Mat"));
    QVERIFY(!desk.Save("one.Passavue").empty());
    QVERIFY(desk.Trigger("&View", "&Outer Mat"));
    std::vector<int> marks;
    for (const char* text : {"&Undo Show Outer Mat", "&Undo Show Outer Mat", "&Redo Show Outer Mat"}) {
      QVERIFY(desk.Trigger("&Edit", text));
      marks.push_back(desk.design().modified);
    }
    QCOMPARE(marks, (std::vector{0, 1, 0}));
    std::vector<std::string> asked{"File New|Save current settings first?"};
    QCOMPARE(std::tuple(desk.window->close(), desk.interaction.questions), std::tuple(true, asked));
    desk.window->show();
    QVERIFY(desk.Trigger("&Edit", "&Redo Show Outer Mat"));
    asked.push_back("Warning|Save modified settings?");
    QCOMPARE(std::tuple(desk.window->close(), desk.interaction.questions), std::tuple(false, asked));
    QCOMPARE(desk.UndoAll(), 2);
    QVERIFY(desk.Trigger("&View", "&Inner Mat") && !desk.window->action(kCommandRedo)->isEnabled());
    QVERIFY(desk.Trigger("&Edit", "&Undo Show Inner Mat") && desk.Trigger("&Edit", "&Redo Show Inner Mat"));
    QCOMPARE(desk.design().modified, 1);
    desk.interaction.openAnswers = {desk.folder.Path("start.Passavue")};
    QVERIFY(desk.Trigger("&File", "&Open...\tCtrl-O"));
    QCOMPARE(std::tuple(desk.UndoAll(), desk.design().modified, desk.DesignBytes()), std::tuple(0, 0, saved));
  }

  // The file commands and Undo and Redo take the desktop's keys; no other
  // command has one. Enter and Escape do nothing in the window.
  void standardKeysRunFileCommandsEnterAndEscapeNothing() {
    Run run;
    const QString undo = QKeySequence(QKeySequence::Undo).toString(),
                  redo = QKeySequence(QKeySequence::Redo).toString();
    const std::map<int, QString> keys = {{kCommandNew, "Ctrl+N"},   {kCommandOpen, "Ctrl+O"},
                                         {kCommandSave, "Ctrl+S"},  {kCommandSaveAs, "Ctrl+Shift+S"},
                                         {kCommandPrint, "Ctrl+P"}, {kCommandExit, "Ctrl+Q"},
                                         {kCommandUndo, undo},      {kCommandRedo, redo}};
    for (int command = kCommandNew; command <= kCommandAbout; ++command)
      if (QAction* action = run.window->action(command))
        QCOMPARE(action->shortcut().toString(), keys.count(command) ? keys.at(command) : QString());
    QVERIFY(QTest::qWaitForWindowActive(run.window.get()));
    run.design().modified = 1;
    QTest::keyClick(run.window.get(), Qt::Key_O, Qt::ControlModifier);  // asks first, then Cancel
    QTest::keyClick(run.window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(run.window.get(), key);
      QTest::keyClick(run.window->view(), key);
    }
    QCOMPARE(std::tuple(run.interaction.questions, run.interaction.saveRequests.size(),
                        run.window->isVisible(), QApplication::activeModalWidget(), run.design().modified),
             std::tuple(std::vector<std::string>{"Warning|Save modified settings?"}, size_t{1}, true,
                        static_cast<QWidget*>(nullptr), 1));
  }

  // Nine opened, the fourth again through a link, then one saved: the eight
  // newest, kept across runs and New. Chosen as Open would: the question
  // first, then the design, now the newest. One that is gone: the message,
  // and out of the list for good.
  void recentDesignsKeepEightAcrossRuns() {
    Run run(false);
    std::vector<std::string> designs;
    for (int i = 0; i < 9; ++i) {
      designs.push_back(run.folder.Path("d" + std::to_string(i) + ".Passavue"));
      WriteDesign(designs.back(), 1.0 + i / 10.0);
      run.interaction.openAnswers.push_back(designs.back());
    }
    std::filesystem::create_symlink(designs[3], run.folder.Root() / "link.Passavue");
    run.interaction.openAnswers.push_back(run.folder.Path("link.Passavue"));
    run.interaction.saveAnswers.push_back(run.folder.Path("saved"));
    run.Start();
    QVERIFY(RecentEntries(run).isEmpty() && !run.window->recentDesignsMenu()->isEnabled());
    for (size_t i = 0; i < designs.size() + 1; ++i) run.window->RunCommand(kCommandOpen);
    run.window->RunCommand(kCommandSaveAs);
    QStringList expected;
    for (int i : {-1, 3, 8, 7, 6, 5, 4, 2}) {
      const QString path = QString::fromStdString(
          std::filesystem::canonical(i < 0 ? run.folder.Path("saved.Passavue") : designs[i]).string());
      expected << QStringLiteral("&%1 %2|%3").arg(expected.size() + 1).arg(QFileInfo(path).fileName(), path);
    }
    QCOMPARE(RecentEntries(run), expected);
    QVERIFY(run.window->recentDesignsMenu()->isEnabled());
    run.Start();
    QCOMPARE(RecentEntries(run), expected);
    run.design().modified = 1;
    run.interaction.answers = {Answer::No};
    run.window->recentDesignsMenu()->actions().at(2)->trigger();
    QCOMPARE(std::tuple(run.interaction.questions, run.design().background.ratio, run.design().modified,
                        RecentEntries(run).at(0).endsWith("/d8.Passavue")),
             std::tuple(std::vector<std::string>{"Warning|Save modified settings?"}, 1.8, 0, true));
    std::filesystem::remove(designs[7]);
    run.window->recentDesignsMenu()->actions().at(3)->trigger();
    QCOMPARE(run.interaction.errors,
             std::vector{"Cannot open file: " + std::filesystem::canonical(run.folder.Root()).string() +
                         "/d7.Passavue"});
    QCOMPARE(RecentEntries(run).size(), 7);
    PersistentState stored;
    LoadPersistentState(&run.store, "/p", &stored);
    QCOMPARE(stored.recentDesigns, run.state->persistent.recentDesigns);
  }

  // Pictures as "Select New Image ..." frames them: borders off, the custom
  // size from the file (the first of several files counts); the Image
  // dialog, showing the old one, closes. Anything else: the message, and
  // nothing changes; files elsewhere are not taken. A design opens as Open
  // opens it, after the question, and starts afresh.
  void droppedFilesAreFramedOpenedOrRefused() {
    Run run;
    const TempFolder& folder = run.folder;
    QVERIFY(WriteTiffPicture(folder.Path("photo.tif"), 40, 30, 100.0));
    QImage jpeg(60, 40, QImage::Format_RGB32);
    jpeg.fill(Qt::darkCyan);
    jpeg.setDotsPerMeterX(7874);  // 200 pixels per inch
    jpeg.setDotsPerMeterY(7874);
    QVERIFY(jpeg.save(QString::fromStdString(folder.Path("photo.jpg")), "JPEG"));
    WriteDesign(folder.Path("wall.Passavue"), 2.5);
    WriteAll(folder.Path("notes.txt"), {'h', 'i'});
    for (const auto& [path, width, height] :
         {std::tuple(folder.Path("photo.tif"), 0.4, 0.3), std::tuple(folder.Path("photo.jpg"), 0.3, 0.2)}) {
      run.design().border = {0.5, 0.5, 0.5, 0.5, {1, 2, 3}};
      run.window->RunCommand(kCommandImage);
      QVERIFY(run.window->propertyDialog(kCommandImage)->isVisible());
      QVERIFY(run.window->acceptDrops() && Drop(run, {path, folder.Path("wall.Passavue")}));
      const ImageBorder& b = run.design().border;
      const PictureSettings& p = run.design().picture;
      QCOMPARE(std::tuple(p.pathname, b.left + b.top + b.right + b.bottom, p.customWidth, p.customHeight),
               std::tuple(path, 0.0, width, height));
      QVERIFY(!run.window->propertyDialog(kCommandImage) ||
              !run.window->propertyDialog(kCommandImage)->isVisible());
    }
    run.design().border.left = 0.25;
    const FileBytes before = run.DesignBytes();
    QVERIFY(Drop(run, {folder.Path("notes.txt")}) && !Drop(run, {"https://example.com/photo.tif"}));
    QCOMPARE(std::tuple(run.interaction.errors, run.DesignBytes()),
             std::tuple(std::vector{"Unsupported picture file type: " + folder.Path("notes.txt")}, before));
    run.design().modified = 1;
    run.interaction.answers = {Answer::Cancel, Answer::No};
    QVERIFY(Drop(run, {folder.Path("wall.Passavue")}));
    QCOMPARE(run.design().background.ratio, 1.2);
    QVERIFY(Drop(run, {folder.Path("wall.Passavue")}));
    QCOMPARE(run.interaction.questions, std::vector<std::string>(2, "Warning|Save modified settings?"));
    QCOMPARE(std::tuple(run.design().background.ratio, run.design().modified, run.design().picture.pathname),
             std::tuple(2.5, 0, folder.Path("photo.jpg")));
    QVERIFY(!run.window->action(kCommandUndo)->isEnabled());
  }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
