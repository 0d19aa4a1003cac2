// The main window's everyday ways in: the standard keys, File > Recent
// Designs and files dropped on the window, with scripted answers.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QtTest>
#include <filesystem>
#include <map>
#include <memory>

#include "program_run.h"
#include "render/render.h"
#include "shell/control_ids.h"
#include "support/pictures.h"

namespace {

// The main window's File > Recent Designs and drops, as a person would use them.
struct Desk : Run {
  using Run::Run;
  // File > Recent Designs as it shows when the File menu opens: "text|tooltip" per entry.
  QStringList RecentEntries() {
    QMenu* recent = window->recentDesignsMenu();
    emit qobject_cast<QMenu*>(recent->parentWidget())->aboutToShow();
    QStringList entries;
    for (QAction* entry : recent->actions()) entries << entry->text() + "|" + entry->toolTip();
    return entries;
  }
  void ChooseRecent(int index) {
    RecentEntries();
    window->recentDesignsMenu()->actions().at(index)->trigger();
  }
  // Drags the files over the window and drops them; false when the window refused them.
  bool Drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    QCoreApplication::processEvents();  // the file is taken once the drop has ended
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return enter.isAccepted() && drop.isAccepted();
  }
};

// The design as its file would hold it, with the overall size the document
// keeps (a test's own edits skip it).
FileBytes DesignText(SceneSettings scene, const std::string& path) {
  ComputeOverallSize(&scene);
  FileHandle file;
  if (CreateForWrite(path, &file) != 0) return {};
  WriteSettingsFile(file, scene);
  CloseFile(file);
  return ReadAll(path);
}

QUrl Url(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); }

}  // namespace

class EverydayTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void standardKeysRunFileCommandsEnterAndEscapeNothing() {
    ProgramFolder folder;
    MapStore store;
    Desk run(folder, &store);
    // The file commands and Undo and Redo take the desktop's keys; no other command has one.
    const std::map<int, QString> keys = {{kCommandNew, "Ctrl+N"},
                                         {kCommandOpen, "Ctrl+O"},
                                         {kCommandSave, "Ctrl+S"},
                                         {kCommandSaveAs, "Ctrl+Shift+S"},
                                         {kCommandPrint, "Ctrl+P"},
                                         {kCommandExit, "Ctrl+Q"},
                                         {kCommandUndo, QKeySequence(QKeySequence::Undo).toString()},
                                         {kCommandRedo, QKeySequence(QKeySequence::Redo).toString()}};
    for (int command = kCommandNew; command <= kCommandAbout; ++command) {
      if (QAction* action = run.window->action(command))
        QCOMPARE(action->shortcut().toString(), keys.count(command) ? keys.at(command) : QString());
    }
    QVERIFY(QTest::qWaitForWindowActive(run.window.get()));
    run.scene().modified = 1;
    const FileBytes before = DesignText(run.scene(), folder.Path("before"));
    QTest::keyClick(run.window.get(), Qt::Key_O, Qt::ControlModifier);  // asks first, then Cancel
    QTest::keyClick(run.window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(run.interaction.questions, std::vector<std::string>{"Warning|Save modified settings?"});
    QCOMPARE(run.interaction.saveRequests.size(), size_t{1});
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(run.window.get(), key);
      QTest::keyClick(run.window->view(), key);
    }
    QCOMPARE(run.interaction.questions.size(), size_t{1});
    QCOMPARE(run.interaction.saveRequests.size(), size_t{1});
    QVERIFY(run.window->isVisible() && QApplication::activeModalWidget() == nullptr);
    for (int command = kCommandImage; command <= kCommandBackground; ++command)
      QVERIFY(run.window->propertyDialog(command) == nullptr);
    QCOMPARE(run.scene().modified, 1);
    QCOMPARE(DesignText(run.scene(), folder.Path("after")), before);
  }

  void recentDesignsKeepEightAcrossRuns() {
    ProgramFolder folder;
    MapStore store;
    std::vector<std::string> designs;
    for (int i = 0; i < 9; ++i) {
      designs.push_back(folder.Path("d" + std::to_string(i) + ".Passavue"));
      WriteDesign(designs.back(), 1.0 + i / 10.0);
    }
    std::filesystem::create_symlink(designs[3], folder.Root() / "link.Passavue");
    const std::string saved = folder.Path("saved.Passavue");
    QStringList expected;
    {
      Desk run(folder, &store);
      QVERIFY(run.RecentEntries().isEmpty() && !run.window->recentDesignsMenu()->isEnabled());
      // Nine opened, the fourth again through a link, then one saved.
      for (const std::string& path : designs) run.interaction.openAnswers.push_back(path);
      run.interaction.openAnswers.push_back(folder.Path("link.Passavue"));
      run.interaction.saveAnswers.push_back(folder.Path("saved"));
      for (size_t i = 0; i < designs.size() + 1; ++i) run.window->RunCommand(kCommandOpen);
      run.window->RunCommand(kCommandSaveAs);
      int number = 1;
      for (const std::string& path :
           {saved, designs[3], designs[8], designs[7], designs[6], designs[5], designs[4], designs[2]}) {
        const QString canonical = QString::fromStdString(std::filesystem::canonical(path).string());
        expected << QStringLiteral("&%1 %2|%3").arg(number++).arg(QFileInfo(canonical).fileName(), canonical);
      }
      QCOMPARE(run.RecentEntries(), expected);
      QVERIFY(run.window->recentDesignsMenu()->isEnabled());
      run.interaction.answers = {Answer::No};
      run.window->RunCommand(kCommandNew);  // New reads the stored preferences again
      QCOMPARE(run.RecentEntries(), expected);
    }
    Desk run(folder, &store);
    QCOMPARE(run.RecentEntries(), expected);
    // Chosen as Open would: the question first, then the design, now the newest.
    run.scene().modified = 1;
    run.interaction.answers = {Answer::No};
    run.ChooseRecent(2);
    QCOMPARE(run.interaction.questions, std::vector<std::string>{"Warning|Save modified settings?"});
    QCOMPARE(std::tuple(run.scene().background.ratio, run.scene().modified), std::tuple(1.8, 0));
    QVERIFY(run.RecentEntries().at(0).endsWith("/d8.Passavue"));
    // One that is gone: the message, and out of the list for good.
    std::filesystem::remove(designs[7]);
    run.ChooseRecent(3);
    QCOMPARE(run.interaction.errors,
             std::vector{"Cannot open file: " + std::filesystem::canonical(folder.Root()).string() +
                         "/d7.Passavue"});
    QCOMPARE(run.RecentEntries().size(), 7);
    PersistentState stored;
    LoadPersistentState(&store, "/p", &stored);
    QCOMPARE(stored.recentDesigns, run.state->persistent.recentDesigns);
  }

  void droppedFilesAreFramedOpenedOrRefused() {
    ProgramFolder folder;
    MapStore store;
    Desk run(folder, &store);
    QVERIFY(WriteTiffPicture(folder.Path("photo.tif"), 40, 30, 100.0));
    QImage jpeg(60, 40, QImage::Format_RGB32);
    jpeg.fill(Qt::darkCyan);
    jpeg.setDotsPerMeterX(7874);  // 200 pixels per inch
    jpeg.setDotsPerMeterY(7874);
    QVERIFY(jpeg.save(QString::fromStdString(folder.Path("photo.jpg")), "JPEG"));
    WriteDesign(folder.Path("wall.Passavue"), 2.5);
    WriteAll(folder.Path("notes.txt"), {'h', 'i'});

    // Pictures as "Select New Image ..." frames them: borders off, the custom
    // size from the file; the Image dialog, showing the old one, closes.
    auto framed = [&run]() {
      const ImageBorder& b = run.scene().border;
      const PictureSettings& p = run.scene().picture;
      return std::tuple(p.pathname, b.left + b.top + b.right + b.bottom, p.customWidth, p.customHeight);
    };
    for (const auto& [path, width, height] :
         {std::tuple(folder.Path("photo.tif"), 0.4, 0.3), std::tuple(folder.Path("photo.jpg"), 0.3, 0.2)}) {
      run.scene().border = {0.5, 0.5, 0.5, 0.5, {1, 2, 3}};
      run.window->RunCommand(kCommandImage);
      QVERIFY(run.window->propertyDialog(kCommandImage)->isVisible());
      QVERIFY(run.window->acceptDrops() &&
              run.Drop({Url(path), Url(folder.Path("wall.Passavue"))}));  // the first counts
      QCOMPARE(framed(), std::tuple(path, 0.0, width, height));
      QVERIFY(!run.window->propertyDialog(kCommandImage) ||
              !run.window->propertyDialog(kCommandImage)->isVisible());
    }
    QCOMPARE(run.state->render.composite.width, run.window->view()->width());  // drawn again

    // Anything else: the message, and nothing changes. Files elsewhere are not taken.
    run.scene().border.left = 0.25;
    const FileBytes before = DesignText(run.scene(), folder.Path("before"));
    QVERIFY(run.Drop({Url(folder.Path("notes.txt"))}));
    QVERIFY(!run.Drop({QUrl(QStringLiteral("https://example.com/photo.tif"))}));
    QCOMPARE(run.interaction.errors,
             std::vector{"Unsupported picture file type: " + folder.Path("notes.txt")});
    QCOMPARE(std::get<0>(framed()), folder.Path("photo.jpg"));
    QCOMPARE(DesignText(run.scene(), folder.Path("after")), before);

    // A design opens as Open opens it, after the question.
    run.scene().modified = 1;
    run.interaction.answers = {Answer::Cancel, Answer::No};
    QVERIFY(run.Drop({Url(folder.Path("wall.Passavue"))}));
    QCOMPARE(run.scene().background.ratio, 1.2);
    QVERIFY(run.Drop({Url(folder.Path("wall.Passavue"))}));
    QCOMPARE(run.interaction.questions, std::vector<std::string>(2, "Warning|Save modified settings?"));
    QCOMPARE(std::tuple(run.scene().background.ratio, run.scene().modified, std::get<0>(framed())),
             std::tuple(2.5, 0, folder.Path("photo.jpg")));
    QVERIFY(!run.window->action(kCommandUndo)->isEnabled());  // a design starts afresh
  }
};

QTEST_MAIN(EverydayTest)
#include "everyday_test.moc"
