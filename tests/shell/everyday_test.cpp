// The main window's everyday ways in: the standard keys, File > Recent
// Designs and files dropped on the window, with scripted answers.
#include "program_run.h"

namespace {

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
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return enter.isAccepted() && drop.isAccepted();
}

}  // namespace

class EverydayTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

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
    int number = 1;
    for (int i : {-1, 3, 8, 7, 6, 5, 4, 2}) {
      const QString path = QString::fromStdString(
          std::filesystem::canonical(i < 0 ? run.folder.Path("saved.Passavue") : designs[i]).string());
      expected << QStringLiteral("&%1 %2|%3").arg(number++).arg(QFileInfo(path).fileName(), path);
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

QTEST_MAIN(EverydayTest)
#include "everyday_test.moc"
