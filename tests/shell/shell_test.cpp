// The desktop program driven without a person: scripted answers stand in for
// every dialog and message box.
#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <memory>

#include "core/hooks.h"
#include "display/monitor_profile.h"
#include "display/screen.h"
#include "files/tiff.h"
#include "render/render.h"
#include "scene/settings_file.h"
#include "shell/app_state.h"
#include "shell/control_ids.h"
#include "shell/design_commands.h"
#include "shell/help_window.h"
#include "shell/hit_test.h"
#include "shell/main_window.h"
#include "shell/qt_interaction.h"
#include "shell/recovery.h"
#include "shell/settings_store.h"
#include "shell/startup.h"
#include "support/modal_driver.h"
#include "support/profiles.h"
#include "support/scripted.h"

namespace {

// One program run: state prepared from a temporary program folder, the main
// window at a fixed size.
struct Run {
  QTemporaryDir folder;
  MapStore store;
  ScriptedInteraction interaction;
  std::unique_ptr<AppState> state = std::make_unique<AppState>();
  std::unique_ptr<MainWindow> window;

  void Start(const std::vector<std::string>& arguments = {}) {
    // The generated assets of the build, as they lie beside the program.
    const QString build = qEnvironmentVariable("PASSAVUE_BUILD_DIR");
    for (const char* assets : {"Textures", "Frames"}) {
      QVERIFY(QFile::link(build + "/" + assets, folder.filePath(QString::fromUtf8(assets))));
    }
    SetErrorHook([this](const std::string& message) { interaction.ShowErrorBox(message); });
    PrepareState(state.get(), &store, folder.path().toStdString());
    CommandHandlers handlers;
    handlers.makePropertyDialog = [](int, QWidget* owner) { return new QDialog(owner); };
    window = std::make_unique<MainWindow>(state.get(), &interaction, handlers);
    window->setGeometry(20, 20, 800, 600);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    OpenStartupFiles(state.get(), window.get(), arguments);
  }
  std::string Path(const char* name) const { return folder.filePath(QString::fromUtf8(name)).toStdString(); }
  ~Run() { SetErrorHook(nullptr); }
};

void WriteDesign(const std::string& path, double ratio) {
  SceneSettings scene;
  InitScene(&scene);
  scene.background.ratio = ratio;
  std::string folder;
  QCOMPARE(SaveSettingsFileAs(path, &scene, &folder), 0);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteTiffPicture(const std::string& path, int width, int height) {
  Image picture;
  QCOMPARE(AllocImage(&picture, Rgb8, width, height, 100.0), 0);
  for (int r = 0; r < height; ++r) {
    for (int b = 0; b < picture.rowBytes; ++b) picture.rows[r][b] = static_cast<uint8_t>(r + b);
  }
  FileHandle file;
  QCOMPARE(CreateForWrite(path, &file), 0);
  QCOMPARE(WriteTiff(file, picture), 0);
  CloseFile(file);
}

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void startsWithDefaultsMenusAndViewSwitches() {
    Run run;
    run.Start();
    QCOMPARE(run.window->windowTitle(), QStringLiteral("Passavue 1.0"));
    QCOMPARE(run.window->minimumSize(), QSize(300, 300));
    QCOMPARE(std::tuple(run.state->scene.background.ratio, run.state->scene.frame.overallWidth), std::tuple(1.2, 16.0));
    // The first size change rendered the design at the view's size.
    QCOMPARE(QSize(run.state->render.composite.width, run.state->render.composite.height), run.window->view()->size());
    QCOMPARE(run.state->persistent.lastParamsFolder, run.folder.path().toStdString());

    // The menus carry their labels.
    const std::vector<std::pair<int, QString>> expected = {
        {kCommandNew, "&New...\tCtrl-N"},
        {kCommandOpen, "&Open...\tCtrl-O"},
        {kCommandSave, "&Save\tCtrl-S"},
        {kCommandSaveAs, "Save &As..."},
        {kCommandSaveAsDefault, "Save As &Default"},
        {kCommandPrint, "&Print...\tCtrl-P"},
        {kCommandPrintSpecifications, "Print Speci&fications..."},
        {kCommandExport, "&Export..."},
        {kCommandPreferences, "Pre&ferences"},
        {kCommandExit, "E&xit\tCtrl-Q"},
        {kCommandImage, "&Image"},
        {kCommandInnerMat, "I&nner Mat"},
        {kCommandMiddleMat, "&Middle Mat"},
        {kCommandOuterMat, "&Outer Mat"},
        {kCommandFrame, "&Frame"},
        {kCommandBackground, "&Background && Lighting"},
        {kCommandRulers, "&Rulers"},
        {kCommandShowOuterMat, "&Outer Mat"},
        {kCommandShowMiddleMat, "&Middle Mat"},
        {kCommandShowInnerMat, "&Inner Mat"},
        {kCommandContents, "&Contents"},
        {kCommandAbout, "&About Passavue"}};
    for (const auto& [command, label] : expected) {
      QAction* action = run.window->action(command);
      QVERIFY2(action != nullptr, qPrintable(label));
      QCOMPARE(action->text(), label);
    }
    // Recent Designs (0) after Save As Default; separators after it, Export and Preferences.
    QMenu* file = run.window->menuBar()->actions().at(0)->menu();
    std::vector<int> shape;  // -1 for a separator
    for (QAction* action : file->actions())
      shape.push_back(action->isSeparator() ? -1 : action->data().toInt());
    QVERIFY(shape == (std::vector<int>{kCommandNew, kCommandOpen, kCommandSave, kCommandSaveAs,
                                       kCommandSaveAsDefault, 0, -1, kCommandPrint, kCommandPrintSpecifications,
                                       kCommandExport, -1, kCommandPreferences, -1, kCommandExit}));

    // The View menu switches, and its check marks follow.
    run.window->UpdateCheckMarks();
    QVERIFY(!run.window->action(kCommandRulers)->isChecked() &&
            run.window->action(kCommandShowMiddleMat)->isChecked());
    const double width = run.state->scene.frame.overallWidth;
    run.window->RunCommand(kCommandShowMiddleMat);  // middle mat off: its margins leave the size
    QCOMPARE(std::tuple(run.state->scene.mats[kMiddleMat].shown, run.state->scene.frame.overallWidth),
             std::tuple(0, width - 1.0));
    QCOMPARE(run.state->scene.modified, 1);  // design files keep which mats are shown
    run.state->scene.modified = 0;
    run.window->RunCommand(kCommandRulers);  // the rulers are a preference, not the design
    run.window->UpdateCheckMarks();
    QVERIFY(run.window->action(kCommandRulers)->isChecked() &&
            !run.window->action(kCommandShowMiddleMat)->isChecked());
    QCOMPARE(run.state->scene.modified, 0);
  }

  void startsWithDefaultDesignAndCommandLinePictures() {
    Run run;
    WriteDesign(run.Path("default.Passavue"), 2.0);
    WriteTiffPicture(run.Path("first.tif"), 40, 30);
    // The last name is Latin-1, not valid UTF-8, as an old camera card may give it.
    std::string program = "passavue", first = run.Path("first.tif"), notes = run.Path("notes.txt"),
                second = run.folder.path().toStdString() + "/caf\xE9.tif";
    WriteTiffPicture(second, 30, 60);
    char* argv[] = {program.data(), first.data(), notes.data(), second.data()};
    run.Start(CommandLineFiles(4, argv));
    QCOMPARE(run.state->scene.background.ratio, 2.0);
    QCOMPARE(run.state->scene.picture.pathname, second);
    QCOMPARE(QSize(PictureImage(run.state->scene.picture).width, PictureImage(run.state->scene.picture).height), QSize(30, 60));
    QCOMPARE(run.interaction.errors, std::vector{"Unsupported picture file type: " + run.Path("notes.txt")});
    QCOMPARE(run.state->persistent.lastInputFolder, run.folder.path().toStdString());
  }

  void commandLineDesignsOpenAsOpenDoes() {
    Run run;
    WriteDesign(run.Path("default.Passavue"), 2.0);
    WriteTiffPicture(run.Path("picture.tif"), 40, 30);
    QVERIFY(QDir(run.folder.path()).mkdir(QStringLiteral("designs")));
    WriteDesign(run.Path("designs/CHOSEN.PASSAVUE"), 2.5);
    {  // a header and a wall, then no "end": the wall stays applied, as in Open
      QFile damaged(QString::fromStdString(run.Path("damaged.Passavue")));
      QVERIFY(damaged.open(QIODevice::WriteOnly));
      damaged.write("Passavue 1.0\r\nbackground 3.0 1 2 3\r\n");
    }
    run.Start({run.Path("picture.tif"), run.Path("damaged.Passavue"), run.Path("missing.Passavue"),
               run.Path("designs/CHOSEN.PASSAVUE")});
    QCOMPARE(run.interaction.errors, (std::vector{"Error reading file: " + run.Path("damaged.Passavue"),
                                                  "Cannot open file: " + run.Path("missing.Passavue")}));
    // The last design wins over the default one, keeps the picture and is
    // where the next Open or Save starts.
    const SceneSettings& scene = run.state->scene;
    QCOMPARE(std::tuple(scene.background.ratio, scene.background.color.blue, PictureImage(scene.picture).width, scene.modified),
             std::tuple(2.5, 100, 40, 0));
    QCOMPARE(std::tuple(scene.picture.pathname, run.state->persistent.lastParamsFolder),
             std::tuple(run.Path("picture.tif"), run.Path("designs")));
    // Rendered after the last design: the wall is 2.5 times the frame in the
    // direction that limits the scale.
    const double width = run.state->render.composite.width;
    const double height = run.state->render.composite.height;
    const double expected = qMin(width / (run.state->scene.frame.overallWidth * 2.5),
                                 height / (run.state->scene.frame.overallHeight * 2.5));
    QVERIFY(qAbs(run.state->render.pixelsPerInch - expected) < 1e-9);
  }

  void installedCopyKeepsTheDefaultDesignPerUser() {
    // bin/passavue with its data in share/passavue, as installed.
    QTemporaryDir prefix;
    QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
    QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("share/passavue")));
    const QString build = qEnvironmentVariable("PASSAVUE_BUILD_DIR");
    for (const char* assets : {"Textures", "Frames"}) {
      QVERIFY(QFile::link(build + "/" + assets, prefix.filePath(QStringLiteral("share/passavue/") + assets)));
    }
    MapStore store;
    ScriptedInteraction interaction;
    SetErrorHook([&interaction](const std::string& message) { interaction.ShowErrorBox(message); });
    auto state = std::make_unique<AppState>();
    PrepareState(state.get(), &store, prefix.filePath(QStringLiteral("bin")).toStdString());
    SetErrorHook(nullptr);
    QVERIFY(interaction.errors.empty());  // the assets were found under share/passavue
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QCOMPARE(state->programFolder, user.toStdString());
    QCOMPARE(state->persistent.lastParamsFolder, user.toStdString());
    QVERIFY(SaveDesignAsDefault(state.get()) == SaveOutcome::Saved);
    QVERIFY(QFile::exists(user + QStringLiteral("/default.Passavue")));
    QFile::remove(user + QStringLiteral("/default.Passavue"));
  }

  void clickOpensTheElementUnderIt() {
    SceneSettings scene;
    RenderState render;
    InitScene(&scene);
    TextureSet textures;
    FrameTileSet tiles;
    ComputeOverallSize(&scene);
    RenderComposite(scene, RenderAssets{textures, tiles, DisplayColorimetry{}}, 1000, 875, &render);
    // Rectangles of the default design at 1000 x 875.
    for (auto [x, command] : {std::pair{500, kCommandImage}, {235, kCommandInnerMat}, {215, kCommandMiddleMat},
                              {150, kCommandOuterMat}, {100, kCommandFrame}, {10, kCommandBackground}}) {
      QCOMPARE(HitTest(scene, render.layout, x, 437), command);
    }
    scene.mats[kInnerMat].shown = 0;  // the same point now lies in the middle mat
    QCOMPARE(HitTest(scene, render.layout, 235, 437), kCommandMiddleMat);

    // An outer mat with a 3-inch bottom and a 1-inch top margin: 2 inches
    // above its outer bottom edge is still the outer mat.
    InitScene(&scene);
    scene.mats[kOuterMat].bottom = 3.0;
    scene.mats[kOuterMat].top = 1.0;
    ComputeOverallSize(&scene);
    RenderComposite(scene, RenderAssets{textures, tiles, DisplayColorimetry{}}, 1000, 875, &render);
    const int row = render.layout.matOuter[kOuterMat].y0 + static_cast<int>(2.0 * render.pixelsPerInch);
    QCOMPARE(HitTest(scene, render.layout, 500, row), kCommandOuterMat);
  }

  void clicksOpenOneDialogEach() {
    Run run;
    run.Start();
    DesignView* view = run.window->view();
    const PixelRect& picture = run.state->render.layout.pictureRect;
    const int height = run.state->render.composite.height;
    const QPoint onPicture((picture.x0 + picture.x1) / 2, height - 1 - (picture.y0 + picture.y1) / 2);
    int c = 0, r = 0;
    view->ToComposite(onPicture, &c, &r);
    QCOMPARE(c, (picture.x0 + picture.x1) / 2);
    QCOMPARE(r, (picture.y0 + picture.y1) / 2);

    QTest::mouseClick(view, Qt::RightButton, {}, onPicture);
    QDialog* dialog = run.window->propertyDialog(kCommandImage);
    QVERIFY(dialog != nullptr && dialog->isVisible());
    QTest::mouseClick(view, Qt::LeftButton, {}, onPicture);  // raised, not opened twice
    QCOMPARE(run.window->propertyDialog(kCommandImage), dialog);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(2, 2));  // the wall
    QVERIFY(run.window->propertyDialog(kCommandBackground) != nullptr);

    dialog->setGeometry(140, 160, 320, 240);
    const QRect placed = dialog->geometry();
    dialog->reject();
    QTRY_VERIFY(run.window->propertyDialog(kCommandImage) == nullptr);
    run.window->RunCommand(kCommandImage);
    QVERIFY(run.window->propertyDialog(kCommandImage) != nullptr);
    QCOMPARE(run.window->propertyDialog(kCommandImage)->geometry(), placed);
  }

  void newFlows() {
    Run run;
    run.Start();
    WriteDesign(run.Path("default.Passavue"), 3.0);
    run.state->scene.background.ratio = 5.0;
    run.state->scene.modified = 1;

    run.interaction.answers = {Answer::Cancel};
    QVERIFY(!NewDesign(run.state.get(), &run.interaction));
    QCOMPARE(run.interaction.questions.back(), std::string("File New|Save current settings first?"));
    QCOMPARE(std::tuple(run.state->scene.background.ratio, run.state->scene.modified), std::tuple(5.0, 1));

    run.interaction.answers = {Answer::Yes};  // then the Save dialog is cancelled: nothing is reset
    QVERIFY(!NewDesign(run.state.get(), &run.interaction));
    QCOMPARE(std::tuple(run.state->scene.background.ratio, run.state->scene.modified), std::tuple(5.0, 1));

    run.store.values["units"] = "2";
    run.interaction.answers = {Answer::No};
    QVERIFY(NewDesign(run.state.get(), &run.interaction));
    // The default design again, and the stored preferences.
    QCOMPARE(std::tuple(run.state->scene.background.ratio, run.state->persistent.units, run.state->scene.modified),
             std::tuple(3.0, 2, 0));
  }

  void closeKeepsUnsavedWorkUnlessSaved() {
    Run run;
    run.Start();
    run.state->scene.modified = 1;
    run.interaction.answers = {Answer::Yes};  // the Save dialog is then cancelled
    QVERIFY(!run.window->close());
    QVERIFY(run.window->isVisible());
    QCOMPARE(run.interaction.questions.back(), std::string("Warning|Save modified settings?"));

    run.interaction.answers = {Answer::Cancel};
    QVERIFY(!run.window->close());

    run.interaction.answers = {Answer::Yes};
    run.interaction.saveAnswers = {run.Path("kept")};
    QVERIFY(run.window->close());
    QVERIFY(QFile::exists(QString::fromStdString(run.Path("kept.Passavue"))));
    QCOMPARE(run.state->scene.modified, 0);
  }

  void saveAsksUntilTheNameFits() {
    Run run;
    run.Start();
    run.state->scene.modified = 1;
    run.interaction.saveAnswers = {run.Path("design.txt"), run.Path("design")};
    QVERIFY(SaveDesignWithDialog(run.state.get(), &run.interaction) == SaveOutcome::Saved);
    QCOMPARE(run.interaction.errors, std::vector<std::string>{"Passavue settings files must have an extension of .Passavue"});
    QCOMPARE(run.interaction.saveRequests.size(), size_t{2});
    QCOMPARE(run.interaction.saveRequests[0].title, std::string("Save Passavue Settings"));
    QCOMPARE(run.interaction.saveRequests[1].initialName, run.Path("design.txt"));
    QVERIFY(QFile::exists(QString::fromStdString(run.Path("design.Passavue"))));
    QCOMPARE(run.state->scene.modified, 0);
    QCOMPARE(run.state->persistent.lastParamsFolder, run.folder.path().toStdString());

    // The name given without its ending is the one asked about; No asks for
    // another name, starting from that one.
    run.state->scene.background.ratio = 4.0;
    run.state->scene.modified = 1;
    run.interaction.saveAnswers = {run.Path("design"), run.Path("other")};
    run.interaction.answers = {Answer::No};
    QVERIFY(SaveDesignWithDialog(run.state.get(), &run.interaction) == SaveOutcome::Saved);
    QCOMPARE(run.interaction.questions,
             std::vector<std::string>{"Save Passavue Settings|design.Passavue already exists.\nDo you want to replace it?"});
    QCOMPARE(run.interaction.saveRequests.back().initialName, run.Path("design.Passavue"));
    QVERIFY(QFile::exists(QString::fromStdString(run.Path("other.Passavue"))));

    // Open asks about unsaved work first: Cancel, or a cancelled save, stops
    // before the Open dialog; No opens; a failed Open keeps the mark.
    const std::string design = run.Path("design.Passavue");
    run.state->scene.modified = 1;
    for (Answer answer : {Answer::Cancel, Answer::Yes}) {
      run.interaction.answers = {answer};
      run.interaction.openAnswers = {design};
      QVERIFY(!OpenDesignWithDialog(run.state.get(), &run.interaction));
      QCOMPARE(std::tuple(run.interaction.questions.back(), run.interaction.openAnswers.size(), run.state->scene.modified),
               std::tuple(std::string("Warning|Save modified settings?"), size_t{1}, 1));
    }
    run.interaction.answers = {Answer::No};
    run.interaction.openAnswers = {run.Path("missing.Passavue")};
    QVERIFY(!OpenDesignWithDialog(run.state.get(), &run.interaction));
    QCOMPARE(run.interaction.errors.back(), "Cannot open file: " + run.Path("missing.Passavue"));
    QCOMPARE(run.state->scene.modified, 1);
    run.interaction.answers = {Answer::No};
    run.interaction.openAnswers = {design};
    QVERIFY(OpenDesignWithDialog(run.state.get(), &run.interaction));
    // The first save's design, untouched by the No above.
    QCOMPARE(std::tuple(run.state->scene.background.ratio, run.state->scene.modified), std::tuple(1.2, 0));
    const size_t asked = run.interaction.questions.size();
    run.interaction.openAnswers = {design};
    QVERIFY(OpenDesignWithDialog(run.state.get(), &run.interaction));  // unmodified: no question
    QCOMPARE(run.interaction.questions.size(), asked);
  }

  void replaceQuestionThroughQtsOwnDialogs() {
    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("photo.Passavue"));
    WriteDesign(existing.toStdString(), 3.0);
    const QByteArray before = ReadAll(existing);
    AppState state;
    InitScene(&state.scene);
    state.persistent.lastParamsFolder = folder.path().toStdString();
    QtInteraction qt;
    const QString asked = QStringLiteral("Save Passavue Settings|photo.Passavue already exists.\nDo you want to replace it?");
    // Typed without its ending: No shows the file dialog again, which is cancelled.
    // With its ending: one question only, Qt's own is not asked as well.
    struct Case {
      QString typed;
      QMessageBox::StandardButton answer;
      SaveOutcome outcome;
      QStringList seen;
    };
    for (const Case& c : {Case{"photo", QMessageBox::No, SaveOutcome::Cancelled, {"QFileDialog", asked, "QFileDialog"}},
                          Case{"photo.Passavue", QMessageBox::Yes, SaveOutcome::Saved, {"QFileDialog", asked}}}) {
      ModalDriver driver;
      driver.steps = {ModalDriver::Name(c.typed), ModalDriver::Press(c.answer),
                      [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }};
      QVERIFY(SaveDesignWithDialog(&state, &qt) == c.outcome);
      QCOMPARE(driver.seen, c.seen);
      QCOMPARE(ReadAll(existing) == before, c.outcome == SaveOutcome::Cancelled);
    }
  }

  void recoveryCopyFollowsTheDesignAndIsOffered() {
    QTemporaryDir folder;
    const std::string where = folder.filePath(QStringLiteral("recovery")).toStdString();
    AppState state;
    InitScene(&state.scene);
    state.persistent.lastParamsFolder = "/designs";
    ScriptedInteraction interaction;
    {
      RecoveryCopy copy(where);
      QVERIFY(copy.active() && !RecoveryCopy(where).active());  // a second Passavue keeps none
      const QString path = QString::fromStdString(copy.path());
      state.scene.background.ratio = 2.5;
      state.scene.modified = 1;
      copy.Keep(&state.scene);
      QVERIFY(QFile::exists(path));
      state.scene.modified = 0;  // saved
      copy.Keep(&state.scene);
      QVERIFY(!QFile::exists(path));
      state.scene.modified = 1;
      copy.Finish(&state.scene);  // ended from outside: kept, and left alone from then on
      copy.Remove();
      QVERIFY(QFile::exists(path));
    }
    // The next starts: Yes brings the design back as modified work (the copy
    // stays until it is saved), No drops it; either way it is asked once.
    for (Answer answer : {Answer::Yes, Answer::No}) {
      InitScene(&state.scene);
      RecoveryCopy copy(where);
      interaction.answers = {answer};
      QCOMPARE(copy.Offer(&state.scene, &interaction), answer == Answer::Yes);
      QVERIFY(!copy.Offer(&state.scene, &interaction));
      QCOMPARE(std::tuple(state.scene.background.ratio, state.scene.modified, QFile::exists(QString::fromStdString(copy.path()))),
               answer == Answer::Yes ? std::tuple(2.5, 1, true) : std::tuple(1.2, 0, false));
    }
    const std::string question = "Warning|Passavue was not closed properly. Restore the design you were working on?";
    QCOMPARE(interaction.questions, (std::vector{question, question}));
    QCOMPARE(state.persistent.lastParamsFolder, std::string("/designs"));

    // A real SIGTERM reaches the handler through the event loop, not by ending the process.
    bool ended = false;
    OnTerminationSignal(this, [&ended]() { ended = true; });
    QCOMPARE(::kill(::getpid(), SIGTERM), 0);
    QTRY_VERIFY(ended);
  }

  void terminatedProgramKeepsTheCopyItWasOffering() {
    // The program asks about the copy of an earlier run and is ended while
    // asking: it leaves normally and the copy waits for the next start.
    QTemporaryDir home;
    const QString recovery = home.filePath(QStringLiteral(".local/share/Kestrow/Passavue/recovery"));
    QVERIFY(QDir().mkpath(recovery));
    WriteDesign((recovery + "/recovery.Passavue").toStdString(), 2.5);
    const QByteArray before = ReadAll(recovery + "/recovery.Passavue");
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    program.setProcessEnvironment(environment);
    program.start(qEnvironmentVariable("PASSAVUE_BUILD_DIR") + QStringLiteral("/passavue"), {});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recovery + "/recovery.lock"), 20000);
    QTest::qWait(300);  // most likely while the question is up; before it the copy is as safe
    program.terminate();
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(std::tuple(program.exitStatus(), program.exitCode()), std::tuple(QProcess::NormalExit, 0));
    QCOMPARE(ReadAll(recovery + "/recovery.Passavue"), before);
  }

  void rulerTicksAndLabels() {
    // A 24-inch-wide wall in inches: 97 ticks, labels 1 to 24, none at 0.
    std::vector<RulerTick> ticks = RulerTicks(961, 24.0, 0);
    QCOMPARE(ticks.size(), size_t{97});
    QVERIFY(ticks[0].label.empty());
    QCOMPARE(std::tuple(ticks[0].length, ticks[1].length, ticks[2].position, ticks[96].position), std::tuple(6, 3, 20, 960));
    QCOMPARE(ticks[4].label + "," + ticks[96].label, std::string("1,24"));
    QCOMPARE(RulerTicks(961, 24.0, 1)[4].label + "," + RulerTicks(961, 24.0, 2)[4].label, std::string("20,2"));
    QVERIFY(RulerTicks(961, 0.0, 0).empty() && RulerTicks(0, 24.0, 0).empty());
  }

  void rulerLabelsKeepClearOfTicksStripsAndEachOther() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    const QRgb wall = qRgb(0, 0, 255);
    // Inches at 50 pixels an inch; millimetres up to 1500 with labels every 12 pixels.
    for (auto [ppi, units] : {std::pair{50.0, 0}, {15.0, 1}}) {
      QImage image(600, 900, QImage::Format_RGB32);
      image.fill(wall);
      {
        QPainter painter(&image);
        DrawRulers(&painter, font, RulerGeometry{600, 900, 600, 900, ppi, units});
      }
      auto white = [&](int x, int y) { return image.pixel(x, y) == qRgb(255, 255, 255); };
      // The strips are where the white reaches: rows across the right half, columns down the lower half.
      auto anyWhite = [&](int x0, int x1, int y0, int y1) {
        for (int y = y0; y < y1; ++y)
          for (int x = x0; x < x1; ++x)
            if (white(x, y)) return true;
        return false;
      };
      int stripHeight = 0, stripWidth = 0;
      while (stripHeight < 450 && anyWhite(300, 600, stripHeight, stripHeight + 1)) ++stripHeight;
      while (stripWidth < 300 && anyWhite(stripWidth, stripWidth + 1, 450, 900)) ++stripWidth;
      QVERIFY(stripHeight > 15 && stripWidth > 20);
      // Nothing spills onto the wall; past the longest tick (6) the next five
      // pixels across and two down stay blank.
      for (int y = stripHeight; y < 900; ++y) {
        for (int x = stripWidth; x < 600; ++x) QCOMPARE(image.pixel(x, y), wall);
        for (int x = 7; x < 12; ++x) QVERIFY(white(x, y));
      }
      for (int x = stripWidth; x < 600; ++x) QVERIFY(white(x, 7) && white(x, 8));
      // Labels never run together: ink comes in runs no longer than one
      // label, across the top strip and down the left one.
      auto runs = [&](bool acrossTop) {
        std::vector<int> lengths{0};
        const int along = acrossTop ? 600 : 900, from = acrossTop ? stripWidth : stripHeight;
        for (int a = from; a < along; ++a) {
          bool ink = false;
          for (int b = 9; b < (acrossTop ? stripHeight : stripWidth); ++b)
            ink = ink || !white(acrossTop ? a : b, acrossTop ? b : a);
          if (ink)
            ++lengths.back();
          else if (lengths.back() > 0)
            lengths.push_back(0);
        }
        return lengths;
      };
      const std::vector<int> top = runs(true), left = runs(false);
      QVERIFY(top.size() > 5 && left.size() > 5);
      QVERIFY(*std::max_element(top.begin(), top.end()) <= QFontMetrics(font).horizontalAdvance("1500"));
      QVERIFY(*std::max_element(left.begin(), left.end()) <= QFontMetrics(font).height());
    }
  }

  void windowIconAndManualScreenshots() {
    Run run;
    run.Start();
    const QIcon icon = run.window->windowIcon();
    QCOMPARE(icon.availableSizes().size(), qsizetype{6});
    const QString source = qEnvironmentVariable("PASSAVUE_SOURCE_DIR");
    QCOMPARE(icon.pixmap(QSize(48, 48), 1.0).toImage().convertToFormat(QImage::Format_ARGB32),
             QImage(source + "/data/icons/passavue-48.png").convertToFormat(QImage::Format_ARGB32));

    // The screenshots (680 pixels at most) shrink to a narrow help window
    // in proportion and come back to their own size in a wide one.
    QPointer<QTextBrowser> help =
        qobject_cast<QTextBrowser*>(ShowHelpContents((source + "/data/help").toStdString(), nullptr));
    QVERIFY(help);
    auto shots = [&help]() {
      std::vector<QTextImageFormat> images;
      for (QTextBlock block = help->document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
          if (it.fragment().charFormat().isImageFormat())
            images.push_back(it.fragment().charFormat().toImageFormat());
      return images;
    };
    for (int width : {400, 900}) {
      help->resize(width, 500);
      QCoreApplication::processEvents();
      const std::vector<QTextImageFormat> images = shots();
      QVERIFY(images.size() >= 10);
      double widest = 0.0;
      for (const QTextImageFormat& image : images) {
        widest = std::max(widest, image.width());
        QVERIFY(image.width() > 0.0 && image.width() < help->viewport()->width());
      }
      if (width == 900) QCOMPARE(widest, 680.0);
      if (width == 400) QCOMPARE(images[0].height(), images[0].width() * 478 / 680);
    }
    delete help;
  }

  void blitDrawsEveryBandWithoutSeams() {
    Image image;
    QCOMPARE(AllocImage(&image, Rgb8, 301, 700, 100.0), 0);  // 283 rows per chunk: three bands
    for (int r = 0; r < image.height; ++r) {
      for (int c = 0; c < image.width; ++c) {
        image.rows[r][3 * c] = static_cast<uint8_t>(c);      // blue
        image.rows[r][3 * c + 1] = static_cast<uint8_t>(r);  // green
        image.rows[r][3 * c + 2] = static_cast<uint8_t>(r >> 8);
      }
    }
    QImage target(310, 710, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
      QPainter painter(&target);
      BlitImage(&painter, image, 5, 3);
    }
    for (int r = 0; r < image.height; ++r) {
      const int y = 3 + image.height - 1 - r;
      for (int c : {0, 150, 300}) {
        const QRgb pixel = target.pixel(5 + c, y);
        QCOMPARE(qBlue(pixel), c & 255);
        QCOMPARE(qGreen(pixel), r & 255);
        QCOMPARE(qRed(pixel), r >> 8);
      }
    }
    QCOMPARE(target.pixel(4, 3), qRgb(0, 0, 0));
  }

  // The window as the screen shows it at every scale: each device row and
  // column of the view is the composite's, with no seam where bands meet.
  // Qt takes the scale at start, so each scale runs in a process of its own.
  void viewShowsTheCompositeAtEveryScale() {
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
      for (const char* factor : {"1", "1.25", "1.5", "1.75", "2"}) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(factor));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("viewShowsTheCompositeAtEveryScale")});
        QVERIFY(child.waitForFinished(120000));
        QVERIFY2(child.exitCode() == 0, (factor + QByteArray("\n") + child.readAllStandardOutput()).constData());
      }
      return;
    }
    Run run;
    run.Start();
    run.state->persistent.showRuler = 0;
    run.window->RenderAndRepaint();
    QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
    QCoreApplication::processEvents();
    // The whole window painted as for the screen, children at their offsets.
    const QImage screen = run.window->grab().toImage();
    const Image& composite = run.state->render.composite;
    const double ratio = run.window->devicePixelRatioF();
    const QPoint origin = run.window->view()->mapTo(run.window.get(), QPoint(0, 0));
    const int left = static_cast<int>(std::lround(origin.x() * ratio));
    const int top = static_cast<int>(std::lround(origin.y() * ratio));
    QVERIFY(composite.height > 2 * composite.rowsPerChunk);
    // The view fills the window's lower part to its last device pixel.
    QCOMPARE(std::tuple(left + composite.width, top + composite.height), std::tuple(screen.width(), screen.height()));
    for (int y = 0; y < composite.height; ++y) {
      const uint8_t* row = composite.rows[composite.height - 1 - y];
      for (int x = 0; x < composite.width; ++x) {
        const QRgb pixel = screen.pixel(left + x, top + y);
        if (pixel != qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x])) {
          QFAIL(qPrintable(QStringLiteral("device row %1, column %2 of %3 x %4 differs")
                               .arg(y).arg(x).arg(composite.width).arg(composite.height)));
        }
      }
    }
  }

  void persistentStateSurvivesTwoRuns() {
    QSettings(QStringLiteral("Kestrow"), QStringLiteral("Passavue")).clear();
    {
      QtSettingsStore store;
      PersistentState state;
      LoadPersistentState(&store, "/opt/passavue", &state);
      QCOMPARE(state.showRuler, 0);
      QCOMPARE(state.lastParamsFolder, std::string("/opt/passavue"));
      state.showRuler = 1;
      state.units = 1;
      state.lastExportWidth = 3000;
      QCOMPARE(SavePersistentState(state, &store), 0);
    }
    QtSettingsStore store;
    PersistentState state;
    LoadPersistentState(&store, "/opt/passavue", &state);
    QCOMPARE(std::tuple(state.showRuler, state.units, state.lastExportWidth), std::tuple(1, 1, 3000));
    QSettings settings(QStringLiteral("Kestrow"), QStringLiteral("Passavue"));
    QCOMPARE(settings.value(QStringLiteral("State/units")).toString(), QStringLiteral("1"));
  }

  // The profile of the screen the window is on, read again when told that
  // the published profiles changed: taken with its colorimetry, its
  // transform made once and kept across renderings, replaced by the next.
  void monitorProfileFollowsTheScreen() {
    Run run;
    run.Start();
    AppState& state = *run.state;
    const DisplayColorimetry defaults = state.colorimetry;
    IccProfile published = WideGamutProfile();
    std::vector<int> asked;
    run.window->SetScreenProfileReader([&](int index) {
      asked.push_back(index);
      return published;
    });
    auto paint = [&](int renders) {
      for (int i = 0; i < renders; ++i) {
        run.window->RenderAndRepaint();
        run.window->view()->grab();
      }
    };
    auto shownAsConverted = [&] {
      Image expected;
      DisplayTransform fresh;
      if (MakeDisplayCopy(state.render.composite, published, &fresh, &expected) != 0 || !expected.HasPixels()) return false;
      const Image& shown = state.render.displayCopy;
      for (int r = 0; r < expected.height; ++r) {
        if (std::memcmp(expected.rows[r], shown.rows[r], 3 * static_cast<size_t>(expected.width)) != 0) return false;
      }
      return true;
    };
    run.window->FollowScreenProfile();
    QCOMPARE(asked, std::vector<int>{0});
    QVERIFY(state.monitorProfile == published);
    QVERIFY(state.colorimetry.red.X != defaults.red.X);
    paint(3);
    QCOMPARE(state.displayTransform.builds, 1);
    QVERIFY(shownAsConverted());
    published = MatrixProfile({0.68, 0.32, 0.265, 0.69, 0.15, 0.06}, {});
    run.window->FollowScreenProfile();
    paint(2);
    QCOMPARE(state.displayTransform.builds, 2);
    QVERIFY(shownAsConverted());
    // The screen without a profile shows the composite itself.
    published.clear();
    run.window->FollowScreenProfile();
    paint(1);
    QVERIFY(state.monitorProfile.empty() && !state.render.displayCopy.HasPixels());
    QCOMPARE(std::tuple(state.colorimetry.red.X, state.colorimetry.gamma), std::tuple(defaults.red.X, defaults.gamma));
  }

  void monitorProfileFromPropertyBytes() {
    const uint8_t* srgb = SrgbProfileBytes();
    IccProfile profile = ProfileFromProperty(srgb, kSrgbProfileLength + 10);
    QCOMPARE(profile.size(), size_t{kSrgbProfileLength});
    QVERIFY(IsSrgbProfile(profile));
    // Too short, a header claiming more than there is, nothing.
    for (auto [bytes, length] : {std::pair{srgb, size_t{100}}, {srgb, size_t{kSrgbProfileLength - 1}}, {nullptr, size_t{0}}})
      QVERIFY(ProfileFromProperty(bytes, length).empty());
  }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
