// Undo and Redo through the Edit menu, with the real property dialogs and
// colour pickers editing the design.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>
#include <map>
#include <memory>

#include "dialogs/dialogs_test_util.h"
#include "scene/settings_file.h"
#include "shell/app_state.h"
#include "shell/color_picker.h"
#include "shell/control_ids.h"
#include "shell/document.h"
#include "shell/main_window.h"
#include "shell/property_dialog.h"
#include "support/files.h"
#include "support/pictures.h"
#include "support/scripted.h"

namespace {

// The main window with the program's own property dialogs over a design at
// its defaults.
struct Desk {
  TempFolder folder;
  ScriptedInteraction interaction;
  std::unique_ptr<AppState> state = std::make_unique<AppState>();
  std::map<int, QRect> placements;
  Document document;
  std::unique_ptr<MainWindow> window;

  Desk() {
    state->programFolder = folder.Root().string();  // no default design there
    CommandHandlers handlers;
    handlers.makePropertyDialog = [this](int command, QWidget* owner) {
      return MakePropertyDialog(command, owner,
                                DialogContext{state.get(), window->document(), &interaction, &placements});
    };
    window = std::make_unique<MainWindow>(state.get(), &document, &interaction, handlers);
    window->setGeometry(20, 20, 320, 240);
    window->show();
  }

  const SceneSettings& design() const { return window->document()->design(); }

  // An action by its menu's title and its own text.
  QAction* Find(const QString& menu, const QString& text) const {
    for (QAction* top : window->menuBar()->actions()) {
      if (top->text() != menu) continue;
      for (QAction* action : top->menu()->actions()) {
        if (action->text() == text) return action;
      }
    }
    return nullptr;
  }
  bool Trigger(const QString& menu, const QString& text) {
    QAction* action = Find(menu, text);
    if (action == nullptr || !action->isEnabled()) return false;
    action->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return true;
  }
  QString UndoText() const { return window->action(kCommandUndo)->text(); }
  QString RedoText() const { return window->action(kCommandRedo)->text(); }
  // Undoes (or redoes) until there is nothing left; the number of steps.
  int UndoAll(int command = kCommandUndo) {
    int steps = 0;
    for (QAction* action = window->action(command); action->isEnabled(); ++steps) action->trigger();
    return steps;
  }
  PropertyDialog* Dialog(int command) const {
    return static_cast<PropertyDialog*>(window->propertyDialog(command));
  }
  // File > Save to `name`; the file's bytes.
  FileBytes Save(const char* name) {
    interaction.saveAnswers = {folder.Path(name)};
    if (!Trigger("&File", "&Save\tCtrl-S")) return {};
    return ReadAll(folder.Path(name));
  }
  // The design as a file would hold it, leaving the document alone.
  FileBytes Bytes(const char* name) const {
    SceneSettings copy = window->document()->design();
    std::string unused;
    SaveSettingsFileAs(folder.Path(name), &copy, &unused);
    return ReadAll(folder.Path(name));
  }
};

}  // namespace

class EditTest : public QObject {
  Q_OBJECT

 private slots:
  // Every kind of edit, undone to the saved start and redone to the end.
  void editsUndoneToTheSavedDesignAndRedone() {
    Desk desk;
    const std::string picture = desk.folder.Path("boats.tif");
    QVERIFY(WriteTiffPicture(picture, 40, 20, 10.0));  // 4 by 2 inches
    const FileBytes saved = desk.Save("start.Passavue");
    QVERIFY(!saved.empty() && desk.design().modified == 0);
    QStringList labels;
    auto step = [&]() { labels << desk.UndoText(); };

    QVERIFY(desk.Trigger("&Settings", "&Image"));
    PropertyDialog* image = desk.Dialog(kCommandImage);
    desk.interaction.openAnswers = {picture};
    Click(image, image_ids::kSelect);  // a new picture
    step();
    Click(image, image_ids::kCustomSizeRadio);
    step();
    Enter(image, image_ids::kWidth, "3");  // a custom size
    step();
    Click(image, kControlOk);  // nothing more changed: no step
    QVERIFY(desk.Trigger("&Settings", "&Frame"));
    desk.Dialog(kCommandFrame)->controlAs<QLineEdit>(frame_ids::kLeft)->setText("2");
    Click(desk.Dialog(kCommandFrame), kControlOk);
    step();
    QVERIFY(desk.Trigger("&Settings", "&Outer Mat"));
    PropertyDialog* mat = desk.Dialog(kCommandOuterMat);
    Click(mat, mat_ids::kColor);
    ColorPicker* picker = mat->picker(mat_ids::kColorPicker);
    const RgbColor before = desk.design().mats[0].color;
    // A drag through the hexagon is one step, taken at the release.
    QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(40, 130));
    QTest::mouseMove(picker, QPoint(90, 60));
    QTest::mouseMove(picker, QPoint(200, 120));
    QTest::mouseRelease(picker, Qt::LeftButton, {}, QPoint(200, 120));
    step();
    const RgbColor dragged = desk.design().mats[0].color;
    QVERIFY(!(dragged == before));
    Click(mat, kControlCancel);  // puts the colour back: a step too
    step();
    QVERIFY(desk.design().mats[0].color == before);
    QVERIFY(desk.Trigger("&View", "&Middle Mat"));
    step();
    QCOMPARE(labels, QStringList({"&Undo Image", "&Undo Image", "&Undo Image", "&Undo Frame",
                                  "&Undo Outer Mat", "&Undo Outer Mat", "&Undo Show Middle Mat"}));
    const FileBytes edited = desk.Bytes("edited.Passavue");
    const std::shared_ptr<const Image> framed = desk.design().picture.raster;

    QVERIFY(desk.Trigger("&Edit", "&Undo Show Middle Mat"));
    QVERIFY(desk.Trigger("&Edit", "&Undo Outer Mat"));
    QVERIFY(desk.design().mats[0].color == dragged);
    QCOMPARE(desk.RedoText(), QStringLiteral("&Redo Outer Mat"));
    QCOMPARE(desk.UndoAll() + 2, labels.size());
    QCOMPARE(std::tuple(desk.Bytes("undone.Passavue"), desk.design().modified,
                        desk.design().picture.raster == nullptr, desk.UndoText(), desk.RedoText()),
             std::tuple(saved, 0, true, QStringLiteral("&Undo"), QStringLiteral("&Redo Image")));
    QCOMPARE(desk.UndoAll(kCommandRedo), labels.size());
    QCOMPARE(std::tuple(desk.Bytes("redone.Passavue"), desk.design().modified,
                        desk.design().picture.raster == framed),
             std::tuple(edited, 1, true));
  }

  void openDialogShowsUndoneValues() {
    Desk desk;
    QVERIFY(desk.Trigger("&Settings", "&Frame"));
    PropertyDialog* frame = desk.Dialog(kCommandFrame);
    auto shown = [frame]() {
      auto* right = frame->controlAs<QLineEdit>(frame_ids::kRight);
      return std::tuple(Text(frame, frame_ids::kLeft), right->text(), right->isEnabled(),
                        frame->controlAs<QCheckBox>(frame_ids::kEqual)->isChecked());
    };
    const QString left = Text(frame, frame_ids::kLeft);
    QCOMPARE(shown(), std::tuple(left, QString(), false, true));  // four equal widths
    Click(frame, frame_ids::kEqual);                              // the values stay: no step
    Enter(frame, frame_ids::kRight, "2.5");
    QCOMPARE(shown(), std::tuple(left, QStringLiteral("2.5"), true, false));
    QVERIFY(desk.Trigger("&Edit", "&Undo Frame"));
    QCOMPARE(shown(), std::tuple(left, QString(), false, true));
    QVERIFY(desk.Trigger("&Edit", "&Redo Frame"));
    QCOMPARE(shown(), std::tuple(left, QStringLiteral("2.500 in"), true, false));
    // An apply that keeps every value is no step.
    Click(frame, kControlOk);
    QCOMPARE(desk.UndoAll(), 1);
  }

  void newAndOpenStartAfreshAndTheHistoryIsBounded() {
    Desk desk;
    const FileBytes saved = desk.Save("start.Passavue");
    const int shown = desk.design().mats[2].shown;
    for (int i = 0; i < int(kUndoSteps) + 5; ++i) QVERIFY(desk.Trigger("&View", "&Inner Mat"));
    QCOMPARE(desk.UndoAll(), int(kUndoSteps));
    // The saved design lies beyond the oldest step kept: this one is not it.
    QCOMPARE(std::tuple(desk.design().mats[2].shown, desk.design().modified), std::tuple(1 - shown, 1));
    desk.interaction.answers = {Answer::No, Answer::No};  // to both questions about saving
    QVERIFY(desk.Trigger("&File", "&New...\tCtrl-N"));
    QVERIFY(!desk.window->action(kCommandUndo)->isEnabled() &&
            !desk.window->action(kCommandRedo)->isEnabled());
    QVERIFY(desk.Trigger("&View", "&Inner Mat"));
    desk.interaction.openAnswers = {desk.folder.Path("start.Passavue")};
    QVERIFY(desk.Trigger("&File", "&Open...\tCtrl-O"));
    QCOMPARE(std::tuple(desk.UndoAll(), desk.design().modified, desk.Bytes("open.Passavue")),
             std::tuple(0, 0, saved));
  }

  void closeQuestionFollowsTheSavedStep() {
    Desk desk;
    QVERIFY(desk.Trigger("&View", "&Outer Mat"));
    QVERIFY(!desk.Save("one.Passavue").empty());
    QVERIFY(desk.Trigger("&View", "&Outer Mat"));
    QVERIFY(desk.Trigger("&Edit", "&Undo Show Outer Mat"));
    QCOMPARE(desk.design().modified, 0);
    QVERIFY(desk.Trigger("&Edit", "&Undo Show Outer Mat"));  // behind the saved design
    QCOMPARE(desk.design().modified, 1);
    QVERIFY(desk.Trigger("&Edit", "&Redo Show Outer Mat"));
    QVERIFY(desk.window->close());  // saved: no question
    QCOMPARE(desk.interaction.questions, std::vector<std::string>{});
    desk.window->show();
    QVERIFY(desk.Trigger("&Edit", "&Redo Show Outer Mat"));
    QVERIFY(!desk.window->close());  // asked, and Cancel answered
    QCOMPARE(desk.interaction.questions, std::vector<std::string>{"Warning|Save modified settings?"});
    // A step taken from behind the saved design leaves it out of reach.
    QCOMPARE(desk.UndoAll(), 2);
    QVERIFY(desk.Trigger("&View", "&Inner Mat") && !desk.window->action(kCommandRedo)->isEnabled());
    QVERIFY(desk.Trigger("&Edit", "&Undo Show Inner Mat") && desk.Trigger("&Edit", "&Redo Show Inner Mat"));
    QCOMPARE(desk.design().modified, 1);
  }
};

QTEST_MAIN(EditTest)
#include "edit_test.moc"
