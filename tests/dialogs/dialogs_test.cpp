// The property dialogs and Preferences, driven with key clicks, mouse clicks
// and their delay timers.
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <set>

#include "dialogs_test_util.h"
#include "render/render.h"
#include "scene/settings_file.h"
#include "scene/units.h"
#include "shell/color_picker.h"
#include "shell/control_ids.h"
#include "shell/design_dialogs.h"
#include "shell/main_window.h"
#include "shell/preferences_dialog.h"

std::unique_ptr<QObject> MakePickerTest();

namespace {

constexpr double kMm = 0.039370001240155036;  // inches in a millimetre

void Choose(PropertyDialog* dialog, int id, int index) {
  auto* list = dialog->controlAs<QComboBox>(id);
  list->setCurrentIndex(index);
  emit list->activated(index);
}

// The picker's swatch cell k (0 black .. 10 yellow).
void ClickSwatch(ColorPicker* picker, int k) {
  QTest::mouseClick(picker, Qt::LeftButton, {}, QPoint(150 + 12 * k + 6, 290));
}

// The lengths a dialog edits, in inches: the ratio; the frame's widths
// (left, right, top, bottom) and depths (outer, inner); a mat's margins and
// thickness; the border's widths.
QList<double> Lengths(const SceneSettings& s, int command) {
  const FrameSettings& f = s.frame;
  const ImageBorder& b = s.border;
  if (command == kCommandBackground) return {s.background.ratio};
  if (command == kCommandFrame)
    return {f.leftWidth, f.rightWidth, f.topWidth, f.bottomWidth, f.outerDepth, f.innerDepth};
  if (command == kCommandImage) return {b.left, b.right, b.top, b.bottom};
  const MatSettings& m = s.mats[command == kCommandOuterMat    ? kOuterMat
                                : command == kCommandMiddleMat ? kMiddleMat
                                                               : kInnerMat];
  return {m.left, m.right, m.top, m.bottom, m.thickness};
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  // Texts typed into one dialog (in millimetres or inches, with the four
  // sides equal or not) and left to the pause: refused with one message and
  // nothing stored, or taken as the dialog's lengths. The fields are checked
  // in a fixed order, and a dialog keeps the units it was opened with.
  void typedTexts_data() {
    using namespace frame_ids;
    namespace b = background_ids;
    namespace m = mat_ids;
    namespace i = image_ids;
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("units");
    QTest::addColumn<bool>("unequal");
    QTest::addColumn<QList<int>>("fields");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QList<double>>("taken");
    const int in = kInches, mm = kMillimetres, bg = kCommandBackground, fr = kCommandFrame;
    const double x = 25.4 * kMm;
    const auto row = [](const char* name, int command, int units, bool unequal, QList<int> fields,
                        QStringList texts, const char* refused, QList<double> taken = {}) {
      QTest::newRow(name) << command << units << unequal << fields << texts << QString(refused) << taken;
    };
    row("ratio", bg, in, false, {b::kRatio}, {"2"}, "", {2.0});
    row("ratio 10", bg, in, false, {b::kRatio}, {"10"}, "", {10.0});
    for (const char* bad : {"0.99", "10.01", "x3"})
      row(bad, bg, in, false, {b::kRatio}, {bad}, "Illegal Background to Frame Ratio");
    row("frame, equal", fr, mm, false, {kLeft}, {"25.4"}, "", {x, x, x, x, 0.75, 0.25});
    row("frame, unequal", fr, mm, true, {kLeft, kRight, kTop, kBottom}, {"10", "20", "30", "40"}, "",
        {10 * kMm, 20 * kMm, 30 * kMm, 40 * kMm, 0.75, 0.25});
    row("inner depth first", fr, in, false, {kInnerDepth, kOuterDepth}, {"x", "y"},
        "Illegal inner depth value");
    row("outer depth next", fr, in, false, {kOuterDepth, kLeft}, {"y", "abc"}, "Illegal outer depth value");
    row("frame left", fr, in, false, {kLeft}, {"1000 in"}, "Illegal left value");
    row("frame right", fr, in, true, {kRight, kTop}, {"-", "-"}, "Illegal right value");
    row("frame top", fr, in, true, {kTop, kBottom}, {"-", "-"}, "Illegal top value");
    row("frame bottom", fr, in, true, {kBottom}, {"x"}, "Illegal bottom value");
    row("mat, equal", kCommandOuterMat, in, false, {m::kLeft}, {"2"}, "", {2.0, 2.0, 2.0, 2.0, 0.055});
    row("mat, fraction", kCommandMiddleMat, in, true, {m::kBottom, m::kThickness}, {"1 1/2", "0"}, "",
        {0.5, 0.5, 0.75, 1.5, 0.0});
    row("thickness first", kCommandMiddleMat, in, true, {m::kThickness, m::kLeft}, {"1000", "x"},
        "Illegal thickness value");
    row("mat left", kCommandMiddleMat, in, true, {m::kLeft, m::kRight}, {"x", ""},
        "Illegal left margin value");
    row("mat right", kCommandMiddleMat, in, true, {m::kRight, m::kTop}, {"", "?"},
        "Illegal right margin value");
    row("mat top", kCommandMiddleMat, in, true, {m::kTop, m::kBottom}, {"?", "e"},
        "Illegal top margin value");
    row("mat bottom", kCommandMiddleMat, in, true, {m::kBottom}, {"e"}, "Illegal bottom margin value");
    row("border, equal", kCommandImage, mm, false, {i::kLeft}, {"25.4"}, "", {x, x, x, x});
    row("border left", kCommandImage, in, true, {i::kLeft, i::kTop}, {"", "bad"},
        "Illegal left border value");
    row("border top", kCommandImage, in, true, {i::kTop}, {"bad"}, "Illegal top border value");
  }
  void typedTexts() {
    QFETCH(int, command);
    QFETCH(int, units);
    QFETCH(bool, unequal);
    QFETCH(QList<int>, fields);
    QFETCH(QStringList, texts);
    QFETCH(QString, refused);
    QFETCH(QList<double>, taken);
    Harness h;
    h.state->persistent.units = units;
    if (unequal) {
      h.design().frame.topWidth = 1.0;
      h.design().mats[kMiddleMat].top = 0.75;
      h.design().border.top = 0.1;
    }
    ComputeOverallSize(&h.design());
    const SceneSettings before = h.design();
    QPointer<PropertyDialog> d = h.Open(command);
    h.state->persistent.units = kCentimetres;
    for (qsizetype k = 0; k < fields.size(); ++k) Type(d, fields[k], texts[k]);
    QVERIFY(Pause(d));
    if (!refused.isEmpty()) {
      QCOMPARE(std::tuple(h.interaction.errors, h.renders),
               std::tuple(std::vector{refused.toStdString()}, 0));
      QVERIFY(h.design() == before);
      return;
    }
    QCOMPARE(std::tuple(h.interaction.errors.size(), h.renders, h.design().modified),
             std::tuple(size_t{0}, 1, 1));
    QCOMPARE(Lengths(h.design(), command), taken);
  }

  // Nothing is taken before the pause, whose length is the preference.
  void pauseFollowsThePreference() {
    for (auto [delay, milliseconds] : {std::pair{1, 1500}, {4, 3000}}) {
      Harness h;
      h.state->persistent.updateDelay = delay;
      QPointer<PropertyDialog> d = h.Open(kCommandFrame);
      Type(d, frame_ids::kLeft, "2");
      QCOMPARE(std::tuple(d->delayTimer()->isActive(), d->delayTimer()->interval(),
                          h.design().frame.leftWidth, h.renders),
               std::tuple(true, milliseconds, 0.75, 0));
    }
  }

  // How a dialog ends decides what stays: OK (or Return in a field) keeps
  // the typed text and the live colour; Cancel, Escape and the close box put
  // back the dialog's opening values. `modified` stays either way, and the
  // dialog's pickers close with it, keeping their place.
  void endings_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<bool>("kept");
    QTest::newRow("OK") << 0 << true;
    QTest::newRow("Return") << 1 << true;
    QTest::newRow("Cancel") << 2 << false;
    QTest::newRow("Escape") << 3 << false;
    QTest::newRow("close box") << 4 << false;
  }
  void endings() {
    using namespace mat_ids;
    QFETCH(int, how);
    QFETCH(bool, kept);
    Harness h;
    QPointer<PropertyDialog> d = h.Open(kCommandOuterMat);
    Enter(d, kLeft, "2");
    Click(d, kBevelColor);
    QPointer<ColorPicker> picker = d->picker(kBevelColorPicker);
    ClickSwatch(picker, 7);
    Type(d, kThickness, "0.1");        // not yet applied
    h.design().frame.leftWidth = 2.5;  // changed elsewhere meanwhile
    switch (how) {
      case 0:
        Click(d, kControlOk);
        break;
      case 1:
        QTest::keyClick(Field(d, kThickness), Qt::Key_Return);
        break;
      case 2:
        Click(d, kControlCancel);
        break;
      case 3:
        QTest::keyClick(d, Qt::Key_Escape);
        break;
      default:
        d->close();
    }
    Settle();
    QVERIFY(d.isNull() && picker.isNull() &&
            h.placements.count(kCommandOuterMat * 10000 + kBevelColorPicker) == 1);
    const MatSettings& o = h.design().mats[kOuterMat];
    QCOMPARE(std::tuple(o.left, o.bottom, o.thickness, o.bevelColor, h.design().frame.leftWidth,
                        h.design().modified),
             kept ? std::tuple(2.0, 2.0, 0.1, RgbColor{0, 0, 255}, 2.5, 1)
                  : std::tuple(1.5, 1.5, 0.055, RgbColor{240, 240, 240}, 2.5, 1));
  }

  // The image dialog's Cancel puts back the whole design, also what other
  // dialogs changed meanwhile.
  void imageCancelPutsBackTheWholeDesign() {
    Harness h;
    const SceneSettings before = h.design();
    QPointer<PropertyDialog> d = h.Open(kCommandImage);
    Enter(d, image_ids::kLeft, "0.5");
    Click(d, image_ids::kBorderColor);
    QCOMPARE(d->picker(image_ids::kBorderColorPicker)->windowTitle(), QStringLiteral("Image Border Color"));
    ClickSwatch(d->picker(image_ids::kBorderColorPicker), 0);
    h.design().frame.topWidth = 3.0;
    h.design().mats[kInnerMat].texture = 2;
    const int renders = h.renders;
    Click(d, kControlCancel);
    SceneSettings expected = before;
    expected.modified = 1;
    QVERIFY(d.isNull() && h.design() == expected);
    QCOMPARE(h.renders, renders + 1);
  }

  // OK with a refused text keeps the dialog open with its message; Cancel
  // then puts back the ratio taken before.
  void okRefusesWhatThePauseRefuses() {
    Harness h;
    QPointer<PropertyDialog> d = h.Open(kCommandBackground);
    Enter(d, background_ids::kRatio, "2");
    Type(d, background_ids::kRatio, "0.5");
    Click(d, kControlOk);
    QVERIFY(!d.isNull() && d->isVisible() && !d->delayTimer()->isActive());
    QCOMPARE(std::tuple(h.interaction.errors, h.design().background.ratio),
             std::tuple(std::vector<std::string>{"Illegal Background to Frame Ratio"}, 2.0));
    Click(d, kControlCancel);  // puts back the ratio of the opening
    QCOMPARE(std::tuple(d.isNull(), h.design().background.ratio), std::tuple(true, 1.2));
  }

  // A picker's colour shows at once but is not yet a change; a picker opens
  // once, and again where it was last (its own area, which a window manager
  // does not change when it takes the frame away at closing).
  void colorsChangeLive() {
    using namespace background_ids;
    Harness h;
    QPointer<PropertyDialog> d = h.Open(kCommandBackground);
    Click(d, kColor);
    QPointer<ColorPicker> picker = d->picker(kColorPicker);
    QCOMPARE(std::tuple(picker->windowTitle(), picker->state().current),
             std::tuple(QStringLiteral("Background Color"), RgbColor{150, 140, 100}));
    Click(d, kColor);
    QCOMPARE(d->picker(kColorPicker), picker.data());
    ClickSwatch(picker, 6);  // green
    QCOMPARE(std::tuple(h.design().background.color, h.renders, h.design().modified,
                        d->controlAs<ColorButton>(kColor)->shownColor()),
             std::tuple(RgbColor{0, 255, 0}, 1, 0, QColor(0, 255, 0)));
    picker->move(230, 170);
    const QRect moved = picker->geometry();
    picker->close();
    Settle();
    Click(d, kColor);
    QCOMPARE(d->picker(kColorPicker)->geometry(), moved);
  }

  // Lists and radios apply at once, unless a typed text is refused; the
  // frame's lists are stored even when a field is then refused.
  void listsAndRadiosApplyAtOnce() {
    Harness h;
    QPointer<PropertyDialog> wall = h.Open(kCommandBackground);
    Click(wall, background_ids::kTypeFirst + kDaylight);
    Click(wall, background_ids::kSubduedRadio);
    QCOMPARE(std::tuple(h.design().lighting.type, h.design().lighting.intensity, h.renders),
             std::tuple(6, 2, 2));
    Type(wall, background_ids::kRatio, "0.5");
    Click(wall, background_ids::kTypeFirst + kTungsten);
    QCOMPARE(std::tuple(h.design().lighting.type, h.renders), std::tuple(6, 2));
    QPointer<PropertyDialog> frame = h.Open(kCommandFrame);
    Choose(frame, frame_ids::kStyle, 10);
    Type(frame, frame_ids::kLeft, "abc");
    Choose(frame, frame_ids::kFinish, 0);
    QCOMPARE(std::tuple(h.design().frame.style, h.design().frame.finish, h.renders, h.interaction.errors),
             std::tuple(10, 0, 3,
                        std::vector<std::string>{"Illegal Background to Frame Ratio", "Illegal left value"}));
  }

  // The Equal box: checked when the four are equal, with three fields empty;
  // checking it gives them the stored left width at once, unchecking shows
  // the left one's text in all four.
  void equalBoxFillsTheOtherSides() {
    using namespace frame_ids;
    Harness h;
    QPointer<PropertyDialog> d = h.Open(kCommandFrame);
    QVERIFY(d->controlAs<QCheckBox>(kEqual)->isChecked() && Text(d, kRight).isEmpty() &&
            !Field(d, kBottom)->isEnabled());
    QCOMPARE(Text(d, kWidth), QStringLiteral("16.000 in"));  // the overall width, shown only
    QVERIFY(!Field(d, kWidth)->isEnabled() && Field(d, kHeight)->isReadOnly());
    Type(d, kLeft, "1");
    Click(d, kEqual);
    QVERIFY(Field(d, kRight)->isEnabled());
    QCOMPARE((QStringList{Text(d, kRight), Text(d, kBottom)}), (QStringList{"1", "1"}));
    Enter(d, kRight, "2");
    Type(d, kLeft, "x");  // refused: only the stored left width goes to the others
    Click(d, kEqual);
    const FrameSettings& f = h.design().frame;
    QCOMPARE(std::tuple(f.leftWidth, f.rightWidth, f.topWidth, f.bottomWidth, h.interaction.errors),
             std::tuple(1.0, 1.0, 1.0, 1.0, std::vector<std::string>{"Illegal left value"}));
    QVERIFY(Text(d, kTop).isEmpty());
    Click(d, kControlCancel);  // the frame as it was
    QCOMPARE(std::tuple(f.leftWidth, f.rightWidth, f.topWidth, f.bottomWidth),
             std::tuple(0.75, 0.75, 0.75, 0.75));
  }

  // Codes and colours from a damaged file select nothing, show in range and
  // are kept until a choice is made.
  void damagedCodesAreShownSafely() {
    Harness h;
    MatSettings& m = h.design().mats[kInnerMat];
    std::tie(m.texture, m.opening, m.bevel, m.color) = std::tuple(42, -3, 7, RgbColor{999, -4, 300});
    std::tie(h.design().lighting.type, h.design().lighting.intensity) = std::pair(42, -1);
    QPointer<PropertyDialog> d = h.Open(kCommandInnerMat);
    QCOMPARE(std::tuple(d->controlAs<QComboBox>(mat_ids::kTexture)->currentIndex(),
                        d->controlAs<QComboBox>(mat_ids::kOpening)->currentIndex(),
                        d->controlAs<ColorButton>(mat_ids::kColor)->shownColor()),
             std::tuple(-1, -1, QColor(255, 0, 255)));
    Click(d, mat_ids::kColor);
    QCOMPARE(d->picker(mat_ids::kColorPicker)->state().current, (RgbColor{255, 0, 255}));
    Enter(d, mat_ids::kThickness, "0.2");
    QPointer<PropertyDialog> wall = h.Open(kCommandBackground);
    for (int id = background_ids::kSubduedRadio; id < background_ids::kTypeFirst + kLightingTypeCount; ++id) {
      if (id != background_ids::kColor && id != background_ids::kColorPicker)
        QVERIFY(!wall->controlAs<QRadioButton>(id)->isChecked());
    }
    Enter(wall, background_ids::kRatio, "2");
    QCOMPARE(std::tuple(m.thickness, m.texture, m.opening, m.bevel, h.design().lighting.type,
                        h.design().lighting.intensity),
             std::tuple(0.2, 42, -3, 7, 42, -1));
    Click(d, kControlCancel);
    QCOMPARE(m.color, (RgbColor{999, -4, 300}));
    QVERIFY(MakeMatDialog(h.context, 3, nullptr) == nullptr);
  }

  void imageDialogWithAPicture() {
    using namespace image_ids;
    Harness h;
    PictureSettings& p = h.design().picture;
    p.raster = BlankPicture(300, 200, 100.0);  // 3 by 2 inches
    p.pathname = "/pictures/harbour.tif";
    QPointer<PropertyDialog> d = h.Open(kCommandImage);
    QCOMPARE((QStringList{d->controlAs<QLabel>(kPathname)->text(), Text(d, kWidth), Text(d, kHeight)}),
             (QStringList{"Pathname: /pictures/harbour.tif", "3.000 in", "2.000 in"}));
    Click(d, kCustomSizeRadio);
    // Typing the width shows the height at once and applies after the pause.
    Type(d, kWidth, "6");
    QCOMPARE(std::tuple(Text(d, kHeight), p.customWidth), std::tuple(QStringLiteral("4.000 in"), 3.0));
    QVERIFY(Pause(d));
    QCOMPARE(std::tuple(p.customWidth, p.customHeight), std::tuple(6.0, 4.0));
    Type(d, kWidth, "1000");  // only blanks the height
    QCOMPARE(Text(d, kHeight), QStringLiteral("N/A"));
    QVERIFY(Pause(d));
    QCOMPARE(std::tuple(h.interaction.errors, p.customWidth),
             std::tuple(std::vector<std::string>{"Illegal custom width value"}, 6.0));
    // Back to the file's size, which becomes the custom width for next time.
    Click(d, kSizeFromFileRadio);
    QCOMPARE(std::tuple(Text(d, kWidth), p.customWidth), std::tuple(QStringLiteral("3.000 in"), 3.0));
    Click(d, kCustomSizeRadio);
    QCOMPARE(Text(d, kHeight), QStringLiteral("2.000 in"));
  }

  // A new picture: the ending picks the reader whatever filter is shown, a
  // name without one goes by the filter; the borders go back to 0 and the
  // new picture outlives Cancel.
  void newPictureSurvivesCancel() {
    using namespace image_ids;
    Harness h;
    QTemporaryDir folder;
    const std::string path = folder.filePath("boats.tif").toStdString();
    QVERIFY(WriteTiffPicture(path, 400, 100, 200.0));  // 2 by 0.5 inches
    h.state->persistent.lastInputFolder = "/somewhere";
    h.design().border.left = 1.0;
    QPointer<PropertyDialog> d = h.Open(kCommandImage);
    Type(d, kTop, "0.3");  // an unapplied typed value is dropped by the refill
    Click(d, kSelect);     // cancelled: nothing happens
    const FileDialogRequest& request = h.interaction.openRequests.back();
    QCOMPARE(std::tuple(h.renders, request.folder, request.filters.size(), request.filters[2].pattern),
             std::tuple(0, std::string("/somewhere"), size_t{3}, std::string("*.png")));

    const PictureSettings& p = h.design().picture;
    const QString jpeg = folder.filePath("harbour.JPG"), bare = folder.filePath("harbour");
    QImage harbour(40, 30, QImage::Format_RGB32);
    harbour.fill(Qt::darkCyan);
    QVERIFY(harbour.save(jpeg, "JPEG") && harbour.scaled(20, 10).save(bare, "JPEG") &&
            QImage(24, 18, QImage::Format_RGB32).save(folder.filePath("quay"), "PNG") &&
            QFile::copy(QString::fromStdString(path), folder.filePath("boats.jpg")));
    struct Case {
      QString name;
      int filter, width;
    };
    for (const Case& c : {Case{jpeg, 0, 40}, Case{folder.filePath("boats.jpg"), 0, 40}, Case{bare, 1, 20},
                          Case{folder.filePath("quay"), 2, 24}}) {
      h.interaction.openAnswers = {c.name.toStdString()};
      h.interaction.openFilters = {c.filter};
      Click(d, kSelect);
      QCOMPARE(PictureImage(p).width, c.width);
    }
    QCOMPARE(h.interaction.errors,
             std::vector{"Cannot read JPEG file: " + folder.filePath("boats.jpg").toStdString()});

    h.interaction.openAnswers = {path};
    h.interaction.openFilters = {1};
    Click(d, kSelect);
    QCOMPARE(std::tuple(PictureImage(p).width, p.pathname, h.state->persistent.lastInputFolder),
             std::tuple(400, path, folder.path().toStdString()));
    QCOMPARE((QStringList{Text(d, kWidth), Text(d, kHeight), Text(d, kLeft), Text(d, kTop)}),
             (QStringList{"2.000 in", "0.500 in", "0.000 in", ""}));
    QVERIFY(d->controlAs<QCheckBox>(kEqual)->isChecked() && !d->delayTimer()->isActive());
    const Image* raster = p.raster.get();
    Click(d, kControlCancel);
    QCOMPARE(std::tuple(p.pathname, p.raster.get(), raster->width, h.design().border.left, p.customWidth),
             std::tuple(path, raster, 400, 0.0, 2.0));
  }

  void mainWindowOpensOneOfEach() {
    using namespace mat_ids;
    Harness h;
    CommandHandlers handlers;
    handlers.makePropertyDialog = [&h](int command, QWidget* owner) {
      return MakePropertyDialog(command, owner, h.context);
    };
    MainWindow window(h.state.get(), &h.document, &h.interaction, handlers);
    window.setGeometry(20, 20, 300, 400);
    window.show();
    for (int command = kCommandImage; command <= kCommandBackground; ++command) window.RunCommand(command);
    // First openings start on the screen (and lie on it where they fit),
    // cascaded: no two share a corner, and none sits centred over the design.
    const QRect screen = window.screen()->availableGeometry();
    const QRect drawing(window.view()->mapToGlobal(QPoint(0, 0)), window.view()->size());
    std::set<std::pair<int, int>> corners;
    for (int command = kCommandImage; command <= kCommandBackground; ++command) {
      QDialog* dialog = window.propertyDialog(command);
      QVERIFY(dialog != nullptr && dialog->isVisible());
      const QRect outside = dialog->frameGeometry();
      const bool fits = outside.width() <= screen.width() && outside.height() <= screen.height();
      QVERIFY(screen.contains(outside.topLeft()) && (!fits || screen.contains(outside)));
      QVERIFY(dialog->geometry().center() != drawing.center());
      corners.emplace(dialog->x(), dialog->y());
    }
    QCOMPARE(corners.size(), size_t{6});
    auto* mat = static_cast<PropertyDialog*>(window.propertyDialog(kCommandOuterMat));
    Enter(mat, kLeft, "2.5");
    // A completed Open or New closes every dialog and picker, and nothing of
    // the old design comes back into the new one (Cancel would put 1.5 back).
    QTemporaryDir folder;
    const std::string design = folder.filePath(QStringLiteral("wide.Passavue")).toStdString();
    std::string unused;
    QCOMPARE(SaveSettingsFileAs(design, &h.design(), &unused), 0);  // outer left 2.5
    Click(mat, kColor);
    QPointer<ColorPicker> picker = mat->picker(kColorPicker);
    for (int command : {kCommandOpen, kCommandNew}) {
      for (int dialog = kCommandImage; dialog <= kCommandBackground; ++dialog) window.RunCommand(dialog);
      h.design().modified = 1;
      h.interaction.answers = {Answer::No};  // to "Save modified settings?"
      h.interaction.openAnswers = {design};
      window.RunCommand(command);
      Settle();
      for (int dialog = kCommandImage; dialog <= kCommandBackground; ++dialog)
        QVERIFY(window.propertyDialog(dialog) == nullptr);
      QVERIFY(picker.isNull());
      QCOMPARE(std::tuple(h.design().mats[kOuterMat].left, h.design().modified),
               std::tuple(command == kCommandOpen ? 2.5 : 1.5, 0));
    }
  }

  // Cancel keeps the preferences; OK stores them and draws again; stored
  // values outside the lists select nothing and OK brings them into range.
  void preferences() {
    PersistentState preferences;
    int renders = 0;
    for (bool ok : {false, true}) {
      PreferencesDialog dialog(
          &preferences, [&renders]() { ++renders; }, nullptr);
      dialog.show();
      dialog.unitsList()->setCurrentIndex(1);
      dialog.delayList()->setCurrentIndex(4);
      QTest::mouseClick(dialog.findChild<QPushButton*>(QString::number(ok ? kControlOk : kControlCancel)),
                        Qt::LeftButton);
      QCOMPARE(std::tuple(preferences.units, preferences.updateDelay, renders),
               ok ? std::tuple(1, 4, 1) : std::tuple(0, 1, 0));
    }
    std::tie(preferences.units, preferences.updateDelay) = std::pair(7, -2);
    PreferencesDialog dialog(&preferences, nullptr, nullptr);
    QCOMPARE(std::tuple(dialog.unitsList()->currentIndex(), dialog.delayList()->currentIndex()),
             std::tuple(-1, -1));
    dialog.accept();
    QCOMPARE(std::tuple(preferences.units, preferences.updateDelay), std::tuple(0, 1));
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int failures = 0;
  {
    std::unique_ptr<QObject> picker = MakePickerTest();
    failures += QTest::qExec(picker.get(), argc, argv);
  }
  DialogsTest dialogs;
  failures += QTest::qExec(&dialogs, argc, argv);
  return failures == 0 ? 0 : 1;
}

#include "dialogs_test.moc"
