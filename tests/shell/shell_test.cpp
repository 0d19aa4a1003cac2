// The desktop program driven without a person: scripted answers stand in for
// every dialog and message box.
#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>
#include <deque>

#include "core/hooks.h"
#include "display/monitor_profile.h"
#include "display/screen.h"
#include "program_run.h"
#include "render/render.h"
#include "scene/settings_file.h"
#include "scene/units.h"
#include "shell/app_state.h"
#include "shell/control_ids.h"
#include "shell/design_commands.h"
#include "shell/document.h"
#include "shell/help_window.h"
#include "shell/hit_test.h"
#include "shell/main_window.h"
#include "shell/qt_interaction.h"
#include "shell/recovery.h"
#include "shell/settings_store.h"
#include "support/modal_driver.h"
#include "support/pictures.h"
#include "support/profiles.h"

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

Q_DECLARE_METATYPE(Answer)

class ShellTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // The default design drawn at the view's size, under the program's own
  // icon; hiding a mat takes its margins out of the size and is a change to
  // the design, the rulers are not.
  void startsWithDefaultsAndViewSwitches() {
    ProgramFolder folder;
    MapStore store;
    Run run(folder, &store);
    const QIcon icon = run.window->windowIcon();
    QCOMPARE(icon.availableSizes().size(), qsizetype{6});
    QCOMPARE(icon.pixmap(QSize(48, 48), 1.0).toImage().convertToFormat(QImage::Format_ARGB32),
             QImage(qEnvironmentVariable("PASSAVUE_SOURCE_DIR") + "/data/icons/passavue-48.png")
                 .convertToFormat(QImage::Format_ARGB32));
    const FrameSettings& frame = run.scene().frame;
    QCOMPARE(
        std::tuple(run.scene().background.ratio, frame.overallWidth, run.state->persistent.lastParamsFolder),
        std::tuple(1.2, 16.0, folder.Root().string()));
    QCOMPARE(QSize(run.state->render.composite.width, run.state->render.composite.height),
             run.window->view()->size());
    run.window->RunCommand(kCommandShowMiddleMat);
    QCOMPARE(std::tuple(run.scene().mats[kMiddleMat].shown, frame.overallWidth, run.scene().modified),
             std::tuple(0, 15.0, 1));
    run.scene().modified = 0;
    run.window->RunCommand(kCommandRulers);
    run.window->UpdateCheckMarks();
    QVERIFY(run.window->action(kCommandRulers)->isChecked() &&
            !run.window->action(kCommandShowMiddleMat)->isChecked());
    QCOMPARE(run.scene().modified, 0);
  }

  // Files named on the command line come after the default design, each as
  // it comes: pictures (the last wins; a Latin-1 name, not valid UTF-8, as an
  // old camera card may give it), designs as File > Open takes them (a
  // damaged one keeps what it applied), and anything else is refused.
  void commandLineFilesOpenInTurn() {
    ProgramFolder folder;
    MapStore store;
    WriteDesign(folder.Path("default.Passavue"), 2.0);
    const std::string cafe = folder.Path("caf\xE9.tif");
    QVERIFY(WriteTiffPicture(folder.Path("first.tif"), 40, 30, 100.0) &&
            WriteTiffPicture(cafe, 30, 60, 100.0));
    std::filesystem::create_directory(folder.Root() / "designs");
    WriteDesign(folder.Path("designs/CHOSEN.PASSAVUE"), 2.5);
    std::ofstream(folder.Path("damaged.Passavue"), std::ios::binary)
        << "Passavue 1.0\r\nbackground 3.0 1 2 3\r\n";
    std::vector<std::string> names = {"passavue",
                                      folder.Path("first.tif"),
                                      folder.Path("notes.txt"),
                                      cafe,
                                      folder.Path("damaged.Passavue"),
                                      folder.Path("missing.Passavue"),
                                      folder.Path("designs/CHOSEN.PASSAVUE")};
    std::vector<char*> argv;
    for (std::string& name : names) argv.push_back(name.data());
    Run run(folder, &store, CommandLineFiles(static_cast<int>(argv.size()), argv.data()));
    QCOMPARE(run.interaction.errors,
             (std::vector{"Unsupported picture file type: " + folder.Path("notes.txt"),
                          "Error reading file: " + folder.Path("damaged.Passavue"),
                          "Cannot open file: " + folder.Path("missing.Passavue")}));
    const SceneSettings& scene = run.scene();
    QCOMPARE(std::tuple(scene.background.ratio, scene.background.color.blue,
                        PictureImage(scene.picture).height, scene.picture.pathname, scene.modified,
                        run.state->persistent.lastParamsFolder, run.state->persistent.lastInputFolder),
             std::tuple(2.5, 100, 60, cafe, 0, folder.Path("designs"), folder.Root().string()));
    // Drawn after the last design: the wall 2.5 times the frame in the
    // direction that limits the scale.
    const Image& composite = run.state->render.composite;
    QCOMPARE(run.state->render.pixelsPerInch, qMin(composite.width / (scene.frame.overallWidth * 2.5),
                                                   composite.height / (scene.frame.overallHeight * 2.5)));
  }

  void installedCopyKeepsTheDefaultDesignPerUser() {
    // bin/passavue with its data in share/passavue, as installed.
    TempFolder prefix;
    const std::filesystem::path share = prefix.Root() / "share/passavue";
    std::filesystem::create_directories(share);
    std::filesystem::create_directory(prefix.Root() / "bin");
    const std::filesystem::path build = qEnvironmentVariable("PASSAVUE_BUILD_DIR").toStdString();
    for (const char* assets : {"Textures", "Frames"})
      std::filesystem::create_directory_symlink(build / assets, share / assets);
    MapStore store;
    auto state = std::make_unique<AppState>();
    {
      ErrorCapture capture;
      PrepareState(state.get(), &store, prefix.Path("bin"));
      QVERIFY(capture.messages.empty());  // the assets were found under share/passavue
    }
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QCOMPARE(std::tuple(state->programFolder, state->persistent.lastParamsFolder),
             std::tuple(user.toStdString(), user.toStdString()));
    Document document;
    QVERIFY(SaveDesignAsDefault(state.get(), &document) == SaveOutcome::Saved &&
            QFile::exists(user + QStringLiteral("/default.Passavue")));
    QFile::remove(user + QStringLiteral("/default.Passavue"));
  }

  // The default design rendered at 1000 x 875 (52.08 pixels an inch): the
  // frame spans columns 83..916 and rows 73..802 (from the bottom), 39
  // pixels wide; inside it the outer, middle and inner mats take 78, 26 and
  // 13 pixels.
  void clickOpensTheElementUnderIt_data() {
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("command");
    const std::tuple<const char*, int, int, int> rows[] = {{"picture", 500, 437, kCommandImage},
                                                           {"inner mat top", 500, 652, kCommandInnerMat},
                                                           {"inner mat corner", 232, 222, kCommandInnerMat},
                                                           {"middle mat left", 215, 437, kCommandMiddleMat},
                                                           {"middle mat top", 500, 670, kCommandMiddleMat},
                                                           {"middle mat corner", 788, 672, kCommandMiddleMat},
                                                           {"outer mat left", 150, 437, kCommandOuterMat},
                                                           {"outer mat top", 500, 725, kCommandOuterMat},
                                                           {"outer mat corner", 850, 150, kCommandOuterMat},
                                                           {"frame top", 500, 790, kCommandFrame},
                                                           {"frame bottom left", 90, 80, kCommandFrame},
                                                           {"frame top right", 910, 795, kCommandFrame},
                                                           {"wall above", 500, 840, kCommandBackground},
                                                           {"wall corner", 60, 830, kCommandBackground}};
    for (auto [name, c, r, command] : rows) QTest::newRow(name) << c << r << command;
  }
  void clickOpensTheElementUnderIt() {
    QFETCH(int, c);
    QFETCH(int, r);
    QFETCH(int, command);
    SceneSettings scene;
    RenderState render;
    InitScene(&scene);
    TextureSet textures;
    FrameTileSet tiles;
    ComputeOverallSize(&scene);
    RenderComposite(scene, RenderAssets{textures, tiles, DisplayColorimetry{}}, 1000, 875, &render);
    QCOMPARE(HitTest(scene, render.layout, c, r), command);
    // A hidden mat gives its place to the next one out.
    scene.mats[kInnerMat].shown = 0;
    QCOMPARE(HitTest(scene, render.layout, c, r), command == kCommandInnerMat ? kCommandMiddleMat : command);
  }

  // Window points map to composite rows counted from the bottom; a click opens
  // the dialog of what lies under it, once, where it was last placed.
  void clicksOpenOneDialogEach() {
    ProgramFolder folder;
    MapStore store;
    Run run(folder, &store);
    DesignView* view = run.window->view();
    const LayoutRects& layout = run.state->render.layout;
    const int height = run.state->render.composite.height;
    int c = 0, r = 0;
    view->ToComposite(QPoint(3, 5), &c, &r);
    QCOMPARE(std::tuple(c, r), std::tuple(3, height - 6));
    // A part holds its first row, not the one past its last.
    const PixelRect& border = layout.borderOuter;
    std::vector<int> parts;
    for (int row : {border.y0 - 1, border.y0, border.y1 - 1, border.y1})
      parts.push_back(HitTest(run.scene(), layout, (border.x0 + border.x1) / 2, row));
    QCOMPARE(parts, (std::vector{kCommandInnerMat, kCommandImage, kCommandImage, kCommandInnerMat}));
    const PixelRect& picture = layout.pictureRect;
    const QPoint onPicture((picture.x0 + picture.x1) / 2, height - 1 - (picture.y0 + picture.y1) / 2);
    QTest::mouseClick(view, Qt::RightButton, {}, onPicture);
    QDialog* dialog = run.window->propertyDialog(kCommandImage);
    QVERIFY(dialog != nullptr && dialog->isVisible());
    QTest::mouseClick(view, Qt::LeftButton, {}, onPicture);
    QCOMPARE(run.window->propertyDialog(kCommandImage), dialog);
    const PixelRect& mat = layout.matOuter[kOuterMat];
    for (auto [point, command] :
         {std::pair{QPoint(2, 2), kCommandBackground},
          {QPoint(layout.frameOuter.x0 + 2, height - layout.frameOuter.y1 + 2), kCommandFrame},
          {QPoint((mat.x0 + mat.x1) / 2, height - 3 - mat.y0), kCommandOuterMat}}) {
      QVERIFY(run.window->propertyDialog(command) == nullptr);
      QTest::mouseClick(view, Qt::LeftButton, {}, point);
      QVERIFY(run.window->propertyDialog(command) != nullptr);
    }
    dialog->setGeometry(140, 160, 320, 240);
    const QRect placed = dialog->geometry();
    dialog->reject();
    QTRY_VERIFY(run.window->propertyDialog(kCommandImage) == nullptr);
    run.window->RunCommand(kCommandImage);
    QCOMPARE(run.window->propertyDialog(kCommandImage)->geometry(), placed);
  }

  // New, Close and Open ask about unsaved work first. Cancel, or Yes with
  // the Save dialog cancelled, changes nothing; No goes on; Yes with a name
  // saves first. New brings back the default design and the stored
  // preferences; a failed Open keeps the mark; unmodified work is not asked about.
  void unsavedWorkIsAskedAbout_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("name");  // given to the Open or Save dialog
    QTest::addColumn<bool>("done");
    QTest::addColumn<double>("ratio");
    QTest::newRow("New, Cancel") << kCommandNew << true << Answer::Cancel << "" << false << 5.0;
    QTest::newRow("New, Yes, no name") << kCommandNew << true << Answer::Yes << "" << false << 5.0;
    QTest::newRow("New, No") << kCommandNew << true << Answer::No << "" << true << 3.0;
    QTest::newRow("Close, Yes, saved") << kCommandExit << true << Answer::Yes << "kept" << true << 5.0;
    QTest::newRow("Open, No") << kCommandOpen << true << Answer::No << "design.Passavue" << true << 1.2;
    QTest::newRow("Open, No, missing")
        << kCommandOpen << true << Answer::No << "missing.Passavue" << false << 5.0;
    QTest::newRow("Open unmodified") << kCommandOpen << false << Answer::Cancel << "design.Passavue" << true
                                     << 1.2;
  }
  void unsavedWorkIsAskedAbout() {
    QFETCH(int, command);
    QFETCH(bool, modified);
    QFETCH(Answer, answer);
    QFETCH(QString, name);
    QFETCH(bool, done);
    QFETCH(double, ratio);
    ProgramFolder folder;
    MapStore store;
    Run run(folder, &store);
    WriteDesign(folder.Path("default.Passavue"), 3.0);
    WriteDesign(folder.Path("design.Passavue"), 1.2);
    store.values["units"] = "2";
    run.scene().background.ratio = 5.0;
    run.scene().modified = modified;
    run.interaction.answers = {answer};
    const std::string path = folder.Path(name.toStdString());
    std::deque<std::string>& answers =
        command == kCommandOpen ? run.interaction.openAnswers : run.interaction.saveAnswers;
    answers.push_back(name.isEmpty() ? std::string() : path);
    const bool result = command == kCommandNew ? NewDesign(run.state.get(), run.document(), &run.interaction)
                        : command == kCommandOpen
                            ? OpenDesignWithDialog(run.state.get(), run.document(), &run.interaction)
                            : run.window->close();
    const std::string question =
        command == kCommandNew ? "File New|Save current settings first?" : "Warning|Save modified settings?";
    const bool missing = name == "missing.Passavue";
    QCOMPARE(std::tuple(result, run.interaction.questions, run.interaction.errors,
                        run.scene().background.ratio, run.scene().modified, run.state->persistent.units),
             std::tuple(done, modified ? std::vector{question} : std::vector<std::string>{},
                        missing ? std::vector{"Cannot open file: " + path} : std::vector<std::string>{},
                        ratio, done || !modified ? 0 : 1, command == kCommandNew && done ? 2 : 0));
    // The Open dialog comes only after the question has been settled.
    QCOMPARE(run.interaction.openRequests.size(), size_t(command == kCommandOpen && (done || missing)));
    QCOMPARE(std::filesystem::exists(folder.Path("kept.Passavue")), command == kCommandExit && done);
  }

  // A name without the ending is refused with the message and asked again;
  // one given without its ending is asked about as it will be written, and
  // No asks for another name, starting from that one.
  void saveAsksUntilTheNameFits() {
    ProgramFolder folder;
    MapStore store;
    Run run(folder, &store);
    run.scene().modified = 1;
    run.interaction.saveAnswers = {folder.Path("design.txt"), folder.Path("design")};
    QVERIFY(SaveDesignWithDialog(run.state.get(), run.document(), &run.interaction) == SaveOutcome::Saved);
    QCOMPARE(run.interaction.errors,
             std::vector<std::string>{"Passavue settings files must have an extension of .Passavue"});
    QCOMPARE(std::tuple(run.interaction.saveRequests.size(), run.interaction.saveRequests[1].initialName,
                        run.scene().modified, std::filesystem::exists(folder.Path("design.Passavue"))),
             std::tuple(size_t{2}, folder.Path("design.txt"), 0, true));
    run.scene().modified = 1;
    run.interaction.saveAnswers = {folder.Path("design"), folder.Path("other")};
    run.interaction.answers = {Answer::No};
    QVERIFY(SaveDesignWithDialog(run.state.get(), run.document(), &run.interaction) == SaveOutcome::Saved);
    QCOMPARE(run.interaction.questions,
             std::vector<std::string>{
                 "Save Passavue Settings|design.Passavue already exists.\nDo you want to replace it?"});
    QCOMPARE(run.interaction.saveRequests.back().initialName, folder.Path("design.Passavue"));
    QVERIFY(std::filesystem::exists(folder.Path("other.Passavue")));
  }

  void replaceQuestionThroughQtsOwnDialogs() {
    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("photo.Passavue"));
    WriteDesign(existing.toStdString(), 3.0);
    const QByteArray before = ReadAll(existing);
    AppState state;
    Document document;
    state.persistent.lastParamsFolder = folder.path().toStdString();
    QtInteraction qt;
    const QString asked =
        QStringLiteral("Save Passavue Settings|photo.Passavue already exists.\nDo you want to replace it?");
    // Typed without its ending: No shows the file dialog again, which is cancelled.
    // With its ending: one question only, Qt's own is not asked as well.
    struct Case {
      QString typed;
      QMessageBox::StandardButton answer;
      SaveOutcome outcome;
      QStringList seen;
    };
    for (const Case& c :
         {Case{"photo", QMessageBox::No, SaveOutcome::Cancelled, {"QFileDialog", asked, "QFileDialog"}},
          Case{"photo.Passavue", QMessageBox::Yes, SaveOutcome::Saved, {"QFileDialog", asked}}}) {
      ModalDriver driver;
      driver.steps = {ModalDriver::Name(c.typed), ModalDriver::Press(c.answer),
                      [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }};
      QVERIFY(SaveDesignWithDialog(&state, &document, &qt) == c.outcome);
      QCOMPARE(driver.seen, c.seen);
      QCOMPARE(ReadAll(existing) == before, c.outcome == SaveOutcome::Cancelled);
    }
  }

  void recoveryCopyFollowsTheDesignAndIsOffered() {
    QTemporaryDir folder;
    const std::string where = folder.filePath(QStringLiteral("recovery")).toStdString();
    AppState state;
    SceneSettings scene;
    InitScene(&scene);
    state.persistent.lastParamsFolder = "/designs";
    ScriptedInteraction interaction;
    {
      RecoveryCopy copy(where);
      QVERIFY(copy.active() && !RecoveryCopy(where).active());  // a second Passavue keeps none
      const QString path = QString::fromStdString(copy.path());
      std::vector<bool> kept;
      scene.background.ratio = 2.5;
      for (int modified : {1, 0}) {  // 0: saved
        scene.modified = modified;
        copy.Keep(scene);
        kept.push_back(QFile::exists(path));
      }
      scene.modified = 1;
      copy.Finish(scene);  // ended from outside: kept, and left alone from then on
      copy.Remove();
      kept.push_back(QFile::exists(path));
      QCOMPARE(kept, (std::vector<bool>{true, false, true}));
    }
    // The next starts: Yes brings the design back as modified work (the copy
    // stays until it is saved), No drops it; either way it is asked once.
    for (Answer answer : {Answer::Yes, Answer::No}) {
      InitScene(&scene);
      RecoveryCopy copy(where);
      interaction.answers = {answer};
      QCOMPARE(copy.Offer(&scene, &interaction), answer == Answer::Yes);
      QVERIFY(!copy.Offer(&scene, &interaction));
      QCOMPARE(std::tuple(scene.background.ratio, scene.modified,
                          QFile::exists(QString::fromStdString(copy.path()))),
               answer == Answer::Yes ? std::tuple(2.5, 1, true) : std::tuple(1.2, 0, false));
    }
    const std::string question =
        "Warning|Passavue was not closed properly. Restore the design you were working on?";
    QCOMPARE(interaction.questions, (std::vector{question, question}));
    QCOMPARE(state.persistent.lastParamsFolder, std::string("/designs"));
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

  // The view at 961 x 841 with the wall 1.5 times the frame (24 x 21
  // inches): 40.04 pixels an inch, so a tick every 10 pixels in inches and
  // every 7.874 in millimetres; every fourth is long and labelled. At a
  // quarter of that scale the millimetre labels would run together: only
  // those that clear the last one are drawn.
  void rulersShowTheWall_data() {
    QTest::addColumn<int>("units");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<std::vector<int>>("ticks");
    QTest::newRow("inches") << int(kInches) << 1.5
                            << std::vector<int>{0,   10,  20,  30,  40,  50,  60,  70,  80,  90,
                                                100, 110, 120, 130, 140, 150, 160, 170, 180, 190};
    QTest::newRow("millimetres") << int(kMillimetres) << 1.5
                                 << std::vector<int>{0,   8,   16,  24,  31,  39,  47,  55,  63,
                                                     71,  79,  87,  94,  102, 110, 118, 126, 134,
                                                     142, 150, 157, 165, 173, 181, 189, 197};
    QTest::newRow("crowded") << int(kMillimetres) << 6.0 << std::vector<int>{};
  }
  void rulersShowTheWall() {
    QFETCH(int, units);
    QFETCH(double, ratio);
    QFETCH(std::vector<int>, ticks);
    AppState state;
    Document document;
    document.Change({}, [ratio](SceneSettings* design) {
      design->background.ratio = ratio;
      return true;
    });
    state.persistent.showRuler = 1;
    state.persistent.units = units;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    DesignView view(&state, &document, &font, nullptr);
    view.resize(961, 841);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage shot = view.grab().toImage();
    QCOMPARE(shot.size(), QSize(961, 841));
    const QRgb grey = qRgb(128, 128, 128), white = qRgb(255, 255, 255);
    // Grey along a line one or four pixels in from the top and the left edge:
    // every tick crosses the first, only the long ones the second.
    auto greyAt = [&](int across, bool top) {
      std::vector<int> at;
      for (int a = 0; a < 200; ++a)
        if (shot.pixel(top ? a : across, top ? across : a) == grey) at.push_back(a);
      return at;
    };
    if (!ticks.empty()) {
      std::vector<int> longTicks;
      for (size_t i = 0; i < ticks.size(); i += 4) longTicks.push_back(ticks[i]);
      QCOMPARE(std::tuple(greyAt(1, true), greyAt(1, false)), std::tuple(ticks, ticks));
      QCOMPARE(std::tuple(greyAt(4, true), greyAt(4, false)), std::tuple(longTicks, longTicks));
      QCOMPARE(shot.pixel(ticks[1], 7), white);  // past the longest tick
      return;
    }
    // Inked runs along the top labels' band are each one label, none merged.
    const int band = 6 + 3 + QFontMetrics(font).ascent() - 4;
    std::vector<int> runs{0};
    for (int x = 40; x < 961; ++x) {
      if (shot.pixel(x, band) != white && shot.pixel(x, band) != grey) {
        ++runs.back();
      } else if (runs.back() > 0) {
        runs.push_back(0);
      }
    }
    QVERIFY(runs.size() > 10);
    QVERIFY(*std::max_element(runs.begin(), runs.end()) <= QFontMetrics(font).horizontalAdvance("1600"));
  }

  // A missing manual is reported. The manual opens at its contents, is raised rather than opened twice,
  // follows a link within itself, and fits its screenshots (680 pixels at
  // most) to a narrow window in proportion and shows them whole in a wide one.
  void helpWindowShowsTheManual() {
    {
      ErrorCapture capture;
      QVERIFY(ShowHelpContents("/no/manual", nullptr) == nullptr);
      QCOMPARE(capture.messages, std::vector<std::string>{"Cannot open file: /no/manual/index.html"});
    }
    const std::string manual = qEnvironmentVariable("PASSAVUE_SOURCE_DIR").toStdString() + "/data/help";
    QPointer<QTextBrowser> help = qobject_cast<QTextBrowser*>(ShowHelpContents(manual, nullptr));
    QVERIFY(help && help->isVisible());
    QCOMPARE(std::tuple(help->windowTitle(), help->source().fileName(), help->document()->isEmpty()),
             std::tuple(QStringLiteral("Passavue Help"), QStringLiteral("index.html"), false));
    QCOMPARE(ShowHelpContents(manual, nullptr), help.data());
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
      QCOMPARE(width == 900 ? widest : images[0].height(),
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
    for (int y = 0; y < image.height; ++y)
      for (int c : {0, 150, 300})
        QCOMPARE(std::tuple(c, y, target.pixel(5 + c, 3 + y)), std::tuple(c, y, PixelArgb(image, c, y)));
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
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("viewShowsTheCompositeAtEveryScale")});
        QVERIFY(child.waitForFinished(120000));
        QVERIFY2(child.exitCode() == 0,
                 (factor + QByteArray("\n") + child.readAllStandardOutput()).constData());
      }
      return;
    }
    ProgramFolder folder;
    MapStore store;
    Run run(folder, &store);
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
    QCOMPARE(std::tuple(left + composite.width, top + composite.height),
             std::tuple(screen.width(), screen.height()));
    for (int y = 0; y < composite.height; ++y) {
      for (int x = 0; x < composite.width; ++x) {
        if (screen.pixel(left + x, top + y) != PixelArgb(composite, x, y))
          QFAIL(qPrintable(QStringLiteral("device row %1, column %2 differs").arg(y).arg(x)));
      }
    }
  }

  void persistentStateSurvivesTwoRuns() {
    QSettings(QStringLiteral("Kestrow"), QStringLiteral("Passavue")).clear();
    for (int run = 0; run < 2; ++run) {
      QtSettingsStore store;
      PersistentState state;
      LoadPersistentState(&store, "/opt/passavue", &state);
      QCOMPARE(std::tuple(state.showRuler, state.units, state.lastExportWidth, state.lastParamsFolder),
               run == 0 ? std::tuple(0, 0, 1024, std::string("/opt/passavue"))
                        : std::tuple(1, 1, 3000, std::string("/opt/passavue")));
      std::tie(state.showRuler, state.units, state.lastExportWidth) = std::tuple(1, 1, 3000);
      QCOMPARE(SavePersistentState(state, &store), 0);
    }
    QSettings settings(QStringLiteral("Kestrow"), QStringLiteral("Passavue"));
    QCOMPARE(settings.value(QStringLiteral("State/units")).toString(), QStringLiteral("1"));
  }

  // The profile of the screen the window is on, read again when told that
  // the published profiles changed: the view shows the composite converted to
  // it, with one transform kept across paintings, or the composite itself.
  void monitorProfileFollowsTheScreen() {
    ProgramFolder folder;
    MapStore store;
    Run run(folder, &store);
    AppState& state = *run.state;
    const DisplayColorimetry defaults = state.colorimetry;
    IccProfile published = WideGamutProfile();
    run.window->SetScreenProfileReader(
        [&published](int index) { return index == 0 ? published : IccProfile(); });
    auto shownAsConverted = [&] {
      for (int i = 0; i < 2; ++i) {
        run.window->RenderAndRepaint();
        run.window->view()->grab();
      }
      Image expected;
      DisplayTransform fresh;
      return MakeDisplayCopy(state.render.composite, published, &fresh, &expected) == 0 &&
             expected.HasPixels() && FirstDifferentRow(expected, state.render.displayCopy) == -1;
    };
    run.window->FollowScreenProfile();
    QVERIFY(state.monitorProfile == published && state.colorimetry.red.X != defaults.red.X);
    QCOMPARE(std::tuple(shownAsConverted(), state.displayTransform.builds), std::tuple(true, 1));
    published.clear();
    run.window->FollowScreenProfile();
    run.window->view()->grab();
    QVERIFY(state.monitorProfile.empty() && !state.render.displayCopy.HasPixels());
    QCOMPARE(state.colorimetry.red.X, defaults.red.X);
  }

  // A property may be longer than the profile it holds (padding); one whose
  // header claims more than it holds, or less than a header, is not taken.
  void monitorProfileFromPropertyBytes() {
    const uint8_t* srgb = SrgbProfileBytes();
    for (size_t extra : {size_t{0}, size_t{10}}) {
      const IccProfile profile = ProfileFromProperty(srgb, kSrgbProfileLength + extra);
      QVERIFY(profile.size() == kSrgbProfileLength && IsSrgbProfile(profile));
    }
    std::vector<uint8_t> header(srgb, srgb + 200);
    std::tie(header[2], header[3]) = std::pair(0, 100);  // declares 100 bytes, less than a header
    for (auto [bytes, length] : {std::pair{srgb, size_t{100}},
                                 {srgb, size_t{kSrgbProfileLength - 1}},
                                 {static_cast<const uint8_t*>(nullptr), size_t{0}},
                                 {header.data(), header.size()}})
      QVERIFY(ProfileFromProperty(bytes, length).empty());
  }

  // Qt's own open dialog offers the filters with blank-separated patterns
  // and tells which one was shown when a name without an ending was chosen.
  void openDialogTellsTheChosenFilter() {
    QTemporaryDir folder;
    QVERIFY(QFile(folder.filePath(QStringLiteral("harbour"))).open(QIODevice::WriteOnly));
    FileDialogRequest request;
    request.folder = folder.path().toStdString();
    request.filters = {{"TIFF Files", "*.tif;*.tiff"}, {"JPEG Files", "*.jpg;*.jpeg;*.jpe"}};
    QtInteraction qt;
    for (int chosen : {1, 0}) {
      QStringList offered;
      ModalDriver driver;
      driver.steps = {[&offered, chosen](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        offered = dialog->nameFilters();
        dialog->selectNameFilter(offered.value(chosen));
        ModalDriver::Name(QStringLiteral("harbour"))(modal);
      }};
      int filter = -1;
      QCOMPARE(qt.AskOpenFileWithFilter(request, &filter),
               folder.filePath(QStringLiteral("harbour")).toStdString());
      QCOMPARE(
          std::tuple(filter, offered),
          std::tuple(chosen, QStringList{"TIFF Files (*.tif *.tiff)", "JPEG Files (*.jpg *.jpeg *.jpe)"}));
    }
  }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
