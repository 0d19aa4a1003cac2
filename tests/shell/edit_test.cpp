// Undo and Redo through the Edit menu, with the real property dialogs and
// colour pickers editing the design.
#include "dialogs/dialogs_test_util.h"
#include "program_run.h"
#include "shell/color_picker.h"

namespace {

// The main window with the program's own property dialogs over a design at
// its defaults.
struct Desk : Run {
  std::map<int, QRect> placements;

  Desk() : Run(false) {
    handlers.makePropertyDialog = [this](int command, QWidget* owner) {
      return MakePropertyDialog(command, owner,
                                DialogContext{state.get(), window->document(), &interaction, &placements});
    };
    Start();
  }
  // Runs the action of that text in that menu, when it is there and enabled.
  bool Trigger(const QString& menu, const QString& text) {
    for (QAction* top : window->menuBar()->actions())
      for (QAction* action : top->text() == menu ? top->menu()->actions() : QList<QAction*>{})
        if (action->text() == text && action->isEnabled()) {
          action->trigger();
          QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
  PropertyDialog* Dialog(int command) const {
    return static_cast<PropertyDialog*>(window->propertyDialog(command));
  }
  // File > Save to `name`; the file's bytes.
  FileBytes Save(const char* name) {
    interaction.saveAnswers = {folder.Path(name)};
    return Trigger("&File", "&Save\tCtrl-S") ? ReadAll(folder.Path(name)) : FileBytes{};
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
    QVERIFY(desk.Trigger("&Settings", "&Image"));
    PropertyDialog* image = desk.Dialog(kCommandImage);
    desk.interaction.openAnswers = {picture};
    Click(image, image_ids::kSelect);  // a new picture
    QCOMPARE(desk.Label(kCommandUndo), QStringLiteral("&Undo Image"));
    Click(image, image_ids::kCustomSizeRadio);
    QCOMPARE(desk.Label(kCommandUndo), QStringLiteral("&Undo Image"));
    Enter(image, image_ids::kWidth, "3");  // a custom size
    QCOMPARE(desk.Label(kCommandUndo), QStringLiteral("&Undo Image"));
    Click(image, kControlOk);  // nothing more changed: no step
    QVERIFY(desk.Trigger("&Settings", "&Frame"));
    desk.Dialog(kCommandFrame)->controlAs<QLineEdit>(frame_ids::kLeft)->setText("2");
    Click(desk.Dialog(kCommandFrame), kControlOk);
    QCOMPARE(desk.Label(kCommandUndo), QStringLiteral("&Undo Frame"));
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

  // The Frame dialog shows what Undo and Redo put back; an apply that keeps
  // every value is no step.
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
    QVERIFY(desk.Trigger("&Edit", "&Undo Frame"));
    QCOMPARE(shown(), std::tuple(left, QString(), false, true));
    QVERIFY(desk.Trigger("&Edit", "&Redo Frame"));
    QCOMPARE(shown(), std::tuple(left, QStringLiteral("2.500 in"), true, false));
    Click(frame, kControlOk);
    QCOMPARE(desk.UndoAll(), 1);
  }

  // The history keeps kUndoSteps steps; New and Open start it afresh. Closing
  // asks only away from the saved step; a step taken from behind the saved
  // design leaves it out of reach.
  void historyIsBoundedAndFollowsTheSavedStep() {
    Desk desk;
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
};

QTEST_MAIN(EditTest)
#include "edit_test.moc"
