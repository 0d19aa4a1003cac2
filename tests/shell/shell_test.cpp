// The desktop program driven without a person: scripted answers stand in for
// every dialog and message box.
#include "display/monitor_profile.h"
#include "display/screen.h"
#include "program_run.h"
#include "scene/units.h"
#include "shell/help_window.h"
#include "shell/hit_test.h"
#include "shell/qt_interaction.h"
#include "shell/recovery.h"
#include "shell/settings_store.h"
#include "support/modal_driver.h"
#include "support/profiles.h"

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
  void installedCopyKeepsTheDefaultDesignPerUser() {
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

  // A name with another ending is refused with the message and asked again;
  // one given without its ending is asked about as it will be written, and
  // No asks for another name, starting from that one.
  void saveAsksUntilTheNameFitsAndTheReplaceQuestionOnce() {
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
  }

  // Only modified work is kept, by the first Passavue only; ended from
  // outside, the design is kept and left alone from then on. The next start
  // asks once: Yes brings it back as modified work (the copy stays until it
  // is saved), No drops it.
  void recoveryCopyFollowsTheDesignAndIsOffered() {
    TempFolder folder;
    SceneSettings design;
    InitScene(&design);
    ScriptedInteraction interaction;
    {
      RecoveryCopy copy(folder.Path("recovery"));
      QVERIFY(copy.active() && !RecoveryCopy(folder.Path("recovery")).active());
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
      RecoveryCopy copy(folder.Path("recovery"));
      interaction.answers = {answer};
      QCOMPARE(copy.Offer(&design, &interaction), answer == Answer::Yes);
      QVERIFY(!copy.Offer(&design, &interaction));
      QCOMPARE(std::tuple(design.background.ratio, design.modified, std::filesystem::exists(copy.path())),
               answer == Answer::Yes ? std::tuple(2.5, 1, true) : std::tuple(1.2, 0, false));
    }
    QCOMPARE(interaction.questions,
             std::vector<std::string>(
                 2, "Warning|Passavue was not closed properly. Restore the design you were working on?"));
  }

  // The program asks about the copy of an earlier run and is ended while
  // asking: it leaves normally and the copy waits for the next start.
  void terminatedProgramKeepsTheCopyItWasOffering() {
    TempFolder home;
    const std::string recovery = home.Path(".local/share/Kestrow/Passavue/recovery");
    std::filesystem::create_directories(recovery);
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

  void persistentStateSurvivesTwoRuns() {
    QSettings(QStringLiteral("Kestrow"), QStringLiteral("Passavue")).clear();
    for (int run = 0; run < 2; ++run) {
      QtSettingsStore store;
      PersistentState state;
      LoadPersistentState(&store, "/opt/passavue", &state);
      QCOMPARE(std::tuple(state.showRuler, state.units, state.lastExportWidth, state.lastParamsFolder),
               std::tuple(run, run, run == 0 ? 1024 : 3000, std::string("/opt/passavue")));
      std::tie(state.showRuler, state.units, state.lastExportWidth) = std::tuple(1, 1, 3000);
      QCOMPARE(SavePersistentState(state, &store), 0);
    }
    QCOMPARE(QSettings("Kestrow", "Passavue").value("State/units").toString(), QStringLiteral("1"));
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
  }

  // A property may be longer than the profile it holds (padding); one whose
  // header claims more than it holds, or less than a header, is not taken.
  void monitorProfileFromPropertyBytes() {
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

  // Qt's own open dialog offers the filters with blank-separated patterns
  // and tells which one was shown when a name without an ending was chosen.
  void openDialogTellsTheChosenFilter() {
    TempFolder folder;
    WriteAll(folder.Path("harbour"), {});
    FileDialogRequest request;
    request.folder = folder.Root().string();
    request.filters = {{"TIFF Files", "*.tif;*.tiff"}, {"JPEG Files", "*.jpg;*.jpeg;*.jpe"}};
    QtInteraction qt;
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
               std::tuple(folder.Path("harbour"), chosen,
                          QStringList{"TIFF Files (*.tif *.tiff)", "JPEG Files (*.jpg *.jpeg *.jpe)"}));
    }
  }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
