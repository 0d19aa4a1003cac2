// The property dialogs, their colour picker and Preferences, driven with key
// clicks, mouse clicks and the dialogs' delay timers.
#include <functional>
#include <set>

#include "dialogs_test_util.h"
#include "render/render.h"
#include "scene/settings_file.h"
#include "scene/units.h"
#include "shell/app_state.h"
#include "shell/color_picker.h"
#include "shell/control_ids.h"
#include "shell/design_dialogs.h"
#include "shell/document.h"
#include "shell/main_window.h"
#include "shell/preferences_dialog.h"
#include "support/pictures.h"
#include "support/scripted.h"

namespace {

constexpr double kMm = 0.039370001240155036;  // inches in a millimetre

// A design at its defaults, with scripted answers for its dialogs.
struct Harness {
  // Set up behind the history's back, as a file read would.
  SceneSettings& design() { return *document.boundDesign(); }
  // The dialog of a Settings command, shown as the main window shows it.
  PropertyDialog* Open(int command) {
    auto* dialog = static_cast<PropertyDialog*>(MakePropertyDialog(command, &owner, context));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
  }

  std::unique_ptr<AppState> state = std::make_unique<AppState>();
  Document document;
  ScriptedInteraction interaction;
  std::map<int, QRect> placements;
  int renders = 0;  // changes of the design
  QMetaObject::Connection counter = QObject::connect(&document, &Document::changed, [this]() { ++renders; });
  DialogContext context{state.get(), &document, &interaction, &placements};
  QWidget owner;  // goes first, with the dialogs a test left open
};

// The lengths a dialog edits, in inches: the ratio; the frame's widths
// (left, right, top, bottom) and depths (outer, inner); a mat's margins and
// thickness; the border's widths.
QList<double> Lengths(const SceneSettings& s, int command) {
  const FrameSettings& f = s.frame;
  if (command == kCommandBackground) return {s.background.ratio};
  if (command == kCommandFrame)
    return {f.leftWidth, f.rightWidth, f.topWidth, f.bottomWidth, f.outerDepth, f.innerDepth};
  if (command == kCommandImage) return {s.border.left, s.border.right, s.border.top, s.border.bottom};
  const MatSettings& m = s.mats[static_cast<size_t>(command - kCommandOuterMat)];
  return {m.left, m.right, m.top, m.bottom, m.thickness};
}

QRgb Rgb(const RgbColor& c) { return qRgb(c.red, c.green, c.blue); }

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void hexagonPointsHaveTheirColors() {
    // (90, 200) lies just inside a slanted edge, the corners at +-127.5 on
    // the edge; beyond the edges (also a slanted one) the colour is left alone.
    const std::tuple<double, double, int, int, int> points[] = {
        {0, -200, 255, 55, 55},    {220, 0, 128, 255, 1}, {-220, 0, 129, 2, 255}, {100, 100, 98, 255, 140},
        {0, 0, 255, 255, 255},     {0, -255, 255, 0, 0},  {0, 255, 0, 255, 255},  {90, 200, 3, 255, 151},
        {220.8, 127.5, 0, 255, 0}, {221, 0, -1, -1, -1},  {0, 255.5, -1, -1, -1}, {150, 200, -1, -1, -1}};
    for (auto [x, y, red, green, blue] : points) {
      RgbColor c{-1, -1, -1};
      HexPointColor(x, y, &c);
      QCOMPARE(std::tuple(x, y, c.red, c.green, c.blue), std::tuple(x, y, red, green, blue));
    }
    // The tables round i * sqrt(3)/2 and i * 2/sqrt(3); below zero the fixed point truncates.
    QCOMPARE(std::tuple(HexLookup(HexHalfRoot3, 255), HexLookup(HexTwoByRoot3, 220),
                        HexLookup(HexTwoByRoot3, -220), HexLookup(HexTwoByRoot3, 9999)),
             std::tuple(221, 254, -253, 294));
  }

  // A colour splits into hue and brightness (black into white at none, a
  // damaged one is first brought into range); black stays black wherever the
  // hexagon is clicked.
  void initialState() {
    PickerState s = InitPickerState(7, {100, 50, 0});
    QCOMPARE(std::tuple(s.brightness, Rgb(s.hue), Rgb(s.current)),
             std::tuple(100, qRgb(255, 127, 0), qRgb(100, 50, 0)));
    s = InitPickerState(7, {300, -4, 128});
    QCOMPARE(std::tuple(Rgb(s.current), s.brightness), std::tuple(qRgb(255, 0, 128), 255));
    s = InitPickerState(7, {0, 0, 0});
    QCOMPARE(std::tuple(s.brightness, Rgb(s.hue)), std::tuple(0, qRgb(255, 255, 255)));
    QVERIFY(!PickerPress(&s, 200, 60) && !(s.hue == RgbColor{255, 255, 255}) &&
            Rgb(s.current) == qRgb(0, 0, 0));
  }

  // Presses, moves and releases in turn, from white: what each leaves, and
  // whether it reports the colour (a swatch at once, a drag at its release).
  void pressesMovesAndReleases() {
    enum { kPress, kMove, kRelease };
    constexpr PickerCursor kArrow = PickerCursor::Arrow, kBar = PickerCursor::VerticalResize;
    const std::tuple<int, int, int, QRgb, int, PickerCursor, bool> steps[] = {
        {kPress, 132, 4, qRgb(255, 0, 0), 1, kArrow, false},     // the hexagon's top corner
        {kMove, 132, 260, qRgb(0, 255, 255), 1, kArrow, false},  // its bottom corner
        {kMove, 5, 5, qRgb(0, 255, 255), 1, kArrow, false},      // outside: the last colour stays
        {kRelease, 0, 0, qRgb(0, 255, 255), 0, kArrow, true},
        {kRelease, 0, 0, qRgb(0, 255, 255), 0, kArrow, false},
        {kPress, 275, 100, qRgb(0, 160, 160), 2, kBar, false},  // the bar: brightness 160
        {kMove, 275, 5, qRgb(0, 255, 255), 2, kBar, false},     // its top and above: full
        {kMove, 275, -40, qRgb(0, 255, 255), 2, kBar, false},
        {kMove, 275, 260, qRgb(0, 0, 0), 2, kBar, false},  // its foot and below: none
        {kRelease, 0, 0, qRgb(0, 0, 0), 0, kArrow, true},
        {kMove, 262, 4, qRgb(0, 0, 0), 0, kBar, false},  // without a drag the cursor tells where the bar is
        {kMove, 261, 100, qRgb(0, 0, 0), 0, kArrow, false},
        {kPress, 290, 100, qRgb(0, 0, 0), 0, kArrow, false},   // between the bar and the edge
        {kPress, 227, 290, qRgb(0, 255, 0), 0, kArrow, true},  // the green swatch
        {kPress, 162, 272, qRgb(0, 0, 0), 0, kArrow, true},    // shared by black and dark gray: black
        {kPress, 163, 305, qRgb(64, 64, 64), 0, kArrow, true},
        {kPress, 282, 300, qRgb(255, 255, 0), 0, kArrow, true},   // yellow, the last cell
        {kPress, 283, 300, qRgb(255, 255, 0), 0, kArrow, false},  // beyond the row
        {kPress, 200, 306, qRgb(255, 255, 0), 0, kArrow, false}};
    PickerState s = InitPickerState(1, {255, 255, 255});
    for (size_t k = 0; k < std::size(steps); ++k) {
      auto [event, x, y, current, drag, cursor, reported] = steps[k];
      bool reports = event == kRelease && PickerRelease(&s);
      if (event == kPress) reports = PickerPress(&s, x, y);
      if (event == kMove) PickerMove(&s, x, y);
      QCOMPARE(std::tuple(k, Rgb(s.current), s.dragMode, s.cursor, reports),
               std::tuple(k, current, drag, cursor, reported));
    }
  }

  // Clicks and drags reach the design through the dialogs, which are driven
  // with them elsewhere; here only what the window paints.
  void windowPaints() {
    ColorPicker picker(nullptr, QPoint(100, 100), QStringLiteral("Frame Color"), frame_ids::kColorPicker,
                       {100, 50, 0});
    const QImage shot = picker.grab().toImage();
    // The sample on black and on gray and its surrounds, its outline (the
    // colour is dark), the panel, the hexagon's centre and corner, the red and
    // gray swatches and their frame, the bar's top (the hue), bottom and well.
    const std::tuple<int, int, QRgb> expected[] = {
        {28, 288, qRgb(100, 50, 0)},    {14, 274, qRgb(0, 0, 0)},        {60, 288, qRgb(100, 50, 0)},
        {54, 274, qRgb(128, 128, 128)}, {94, 274, qRgb(255, 255, 255)},  {16, 288, qRgb(255, 255, 255)},
        {6, 266, qRgb(64, 64, 64)},     {132, 132, qRgb(255, 255, 255)}, {8, 8, qRgb(192, 192, 192)},
        {210, 290, qRgb(255, 0, 0)},    {179, 290, qRgb(128, 128, 128)}, {148, 290, qRgb(255, 255, 255)},
        {275, 4, qRgb(255, 127, 0)},    {275, 259, qRgb(0, 0, 0)},       {265, 20, qRgb(128, 128, 128)}};
    for (auto [x, y, rgb] : expected) QCOMPARE(std::tuple(x, y, shot.pixel(x, y)), std::tuple(x, y, rgb));
  }

  // Texts typed into every field of a dialog, opened in millimetres or
  // inches, and left to the pause, whose length is the preference. Each field
  // is refused first (empty, without a number, 1000 inches or more): the
  // messages come one at a time in the dialog's fixed order as the fields get
  // their texts, and nothing is stored until all are taken, in the dialog's
  // units. A field given back its shown text keeps its exact value. OK is
  // refused as the pause is; Cancel puts back the opening values.
  void typedTexts_data() {
    namespace f = frame_ids;
    namespace m = mat_ids;
    namespace i = image_ids;
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("units");
    QTest::addColumn<QList<int>>("fields");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("refused");  // the messages, or the words they name
    QTest::addColumn<QList<double>>("taken");
    QTest::newRow("ratio") << kCommandBackground << kInches << QList<int>(4, background_ids::kRatio)
                           << QStringList{"x3", "0.99", "10.01", "10"}
                           << QStringList(4, "Illegal Background to Frame Ratio") << QList{10.0};
    QTest::newRow("frame") << kCommandFrame << kMillimetres
                           << QList{f::kInnerDepth, f::kOuterDepth, f::kLeft, f::kRight, f::kTop, f::kBottom}
                           << QStringList{"5", "19.05 mm", "10", "20", "30", "40"}
                           << QStringList{"inner depth", "outer depth", "left", "right", "top", "bottom"}
                           << QList{10 * kMm, 20 * kMm, 30 * kMm, 40 * kMm, 0.75, 5 * kMm};
    QTest::newRow("mat") << kCommandMiddleMat << kInches
                         << QList{m::kThickness, m::kLeft, m::kRight, m::kTop, m::kBottom}
                         << QStringList{"0", "1/2", "1", "1 1/2", "2"}
                         << QStringList{"thickness", "left margin", "right margin", "top margin",
                                        "bottom margin"}
                         << QList{0.5, 1.0, 1.5, 2.0, 0.0};
    QTest::newRow("border") << kCommandImage << kMillimetres
                            << QList{i::kLeft, i::kRight, i::kTop, i::kBottom}
                            << QStringList{"1", "2", "3", "25.4"}
                            << QStringList{"left border", "right border", "top border", "bottom border"}
                            << QList{kMm, 2 * kMm, 3 * kMm, 25.4 * kMm};
  }
  void typedTexts() {
    QFETCH(int, command);
    QFETCH(int, units);
    QFETCH(QList<int>, fields);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, refused);
    QFETCH(QList<double>, taken);
    Harness h;
    SceneSettings& s = h.design();
    std::tie(h.state->persistent.units, h.state->persistent.updateDelay) = std::pair(units, 4);
    std::tie(s.frame.topWidth, s.mats[kMiddleMat].top, s.border.top) = std::tuple(1.0, 0.75, 0.1);
    ComputeOverallSize(&s);  // as the document keeps it
    const SceneSettings before = s;
    QPointer<PropertyDialog> d = h.Open(command);
    h.state->persistent.units = kCentimetres;
    for (qsizetype k = 0; k < fields.size(); ++k)
      Type(d, fields[k], QStringList{"", "x", "1000 in", "-"}[k % 4]);
    QCOMPARE(d->delayTimer()->interval(), 3000);
    for (qsizetype k = 0; k < fields.size(); ++k) {
      if (k == 0) Click(d, kControlOk);  // refused too: the dialog stays open
      QVERIFY((k == 0 ? !d.isNull() && d->isVisible() : Pause(d)) &&
              h.interaction.errors.size() == size_t(k + 1));
      QCOMPARE(QString::fromStdString(h.interaction.errors.back()),
               refused[k].startsWith("Illegal") ? refused[k] : "Illegal " + refused[k] + " value");
      Type(d, fields[k], texts[k]);
    }
    QVERIFY(h.renders == 0 && s == before && Pause(d));
    QCOMPARE(std::tuple(h.interaction.errors.size(), h.renders, s.modified, Lengths(s, command)),
             std::tuple(size_t(fields.size()), 1, 1, taken));
    Click(d, kControlCancel);
    QVERIFY(d.isNull() && Lengths(s, command) == Lengths(before, command));
  }

  // How a dialog ends decides what stays: OK (or Return in a field) keeps
  // the typed text and the colour picked (shown at once, but not yet a
  // change); Cancel, Escape and the close box put back the dialog's opening
  // values. `modified` stays either way, and the dialog's picker, opened
  // once, closes with it and opens again where it was (its own area, which a
  // window manager does not change when it takes the frame away at closing).
  void endings() {
    using namespace mat_ids;
    for (int how = 0; how < 5; ++how) {  // OK, Return (these keep), Cancel, Escape, the close box
      Harness h;
      const MatSettings& o = h.design().mats[kOuterMat];
      QPointer<PropertyDialog> d = h.Open(kCommandOuterMat);
      Click(d, kBevelColor);
      QPointer<ColorPicker> picker = d->picker(kBevelColorPicker);
      Click(d, kBevelColor);
      QTest::mouseClick(picker, Qt::LeftButton, {}, QPoint(240, 290));  // the blue swatch
      QCOMPARE(std::tuple(d->picker(kBevelColorPicker), o.bevelColor, h.design().modified, h.renders),
               std::tuple(picker.data(), RgbColor{0, 0, 255}, 0, 1));
      Enter(d, kLeft, "2");
      Type(d, kThickness, "0.1");        // not yet applied
      h.design().frame.leftWidth = 2.5;  // changed elsewhere meanwhile
      picker->move(230, 170);
      const QRect moved = picker->geometry();
      const std::function<void()> ends[] = {
          [&]() { Click(d, kControlOk); }, [&]() { QTest::keyClick(Field(d, kThickness), Qt::Key_Return); },
          [&]() { Click(d, kControlCancel); }, [&]() { QTest::keyClick(d, Qt::Key_Escape); },
          [&]() { d->close(); }};
      ends[how]();
      Settle();
      QCOMPARE(std::tuple(how, d.isNull() && picker.isNull(), o.left, o.bottom, o.thickness, o.bevelColor,
                          h.design().frame.leftWidth, h.design().modified),
               how < 2 ? std::tuple(how, true, 2.0, 2.0, 0.1, RgbColor{0, 0, 255}, 2.5, 1)
                       : std::tuple(how, true, 1.5, 1.5, 0.055, RgbColor{240, 240, 240}, 2.5, 1));
      PropertyDialog* again = h.Open(kCommandOuterMat);
      Click(again, kBevelColor);
      QCOMPARE(std::pair(how, again->picker(kBevelColorPicker)->geometry()), std::pair(how, moved));
    }
  }

  // The Equal box: checked when the four are equal, with three fields empty;
  // checking it gives them the stored left width at once, unchecking shows
  // the left one's text in all four. Lists apply at once, even when a typed
  // text is then refused.
  void equalBoxFillsTheOtherSides() {
    using namespace frame_ids;
    Harness h;
    const FrameSettings& f = h.design().frame;
    QPointer<PropertyDialog> d = h.Open(kCommandFrame);
    QVERIFY(d->controlAs<QCheckBox>(kEqual)->isChecked() && Text(d, kRight).isEmpty() &&
            !Field(d, kBottom)->isEnabled());
    QCOMPARE(Text(d, kWidth), QStringLiteral("16.000 in"));  // the overall width, shown only
    Type(d, kLeft, "1");
    Click(d, kEqual);
    QCOMPARE((QStringList{Text(d, kRight), Text(d, kBottom)}), (QStringList{"1", "1"}));
    Enter(d, kRight, "2");
    Type(d, kLeft, "x");  // refused: only the stored left width goes to the others
    d->controlAs<QComboBox>(kStyle)->setCurrentIndex(10);
    emit d->controlAs<QComboBox>(kStyle)->activated(10);  // a list is stored all the same
    Click(d, kEqual);
    QCOMPARE(std::tuple(f.leftWidth, f.rightWidth, f.topWidth, f.bottomWidth, f.style, h.interaction.errors),
             std::tuple(1.0, 1.0, 1.0, 1.0, 10, std::vector<std::string>(2, "Illegal left value")));
    QVERIFY(Text(d, kTop).isEmpty());
  }

  // Codes and colours from a damaged file select nothing, show in range and
  // are kept until a choice is made; a radio's choice applies at once, but
  // not while a typed text is refused.
  void damagedCodesAreShownSafely() {
    using namespace mat_ids;
    Harness h;
    MatSettings& m = h.design().mats[kInnerMat];
    LightingSettings& light = h.design().lighting;
    std::tie(m.texture, m.opening, m.bevel, m.color) = std::tuple(42, -3, 7, RgbColor{999, -4, 300});
    std::tie(light.type, light.intensity) = std::pair(42, -1);
    QPointer<PropertyDialog> d = h.Open(kCommandInnerMat);
    QCOMPARE(std::tuple(d->controlAs<QComboBox>(kTexture)->currentIndex(),
                        d->controlAs<QComboBox>(kOpening)->currentIndex(),
                        d->controlAs<ColorButton>(kColor)->shownColor()),
             std::tuple(-1, -1, QColor(255, 0, 255)));
    Enter(d, kThickness, "0.2");
    QPointer<PropertyDialog> wall = h.Open(kCommandBackground);
    for (QRadioButton* radio : wall->findChildren<QRadioButton*>()) QVERIFY(!radio->isChecked());
    Enter(wall, background_ids::kRatio, "2");
    QCOMPARE(std::tuple(m.thickness, m.texture, m.opening, m.bevel, light.type, light.intensity),
             std::tuple(0.2, 42, -3, 7, 42, -1));
    Type(wall, background_ids::kRatio, "0.5");
    Click(wall, background_ids::kTypeFirst + kDaylight);  // held back while a text is refused
    QCOMPARE(light.type, 42);
    Enter(wall, background_ids::kRatio, "3");
    Click(wall, background_ids::kSubduedRadio);  // applies at once
    QCOMPARE(std::tuple(light.type, light.intensity, h.design().background.ratio), std::tuple(6, 2, 3.0));
    Click(d, kControlCancel);
    QCOMPARE(m.color, (RgbColor{999, -4, 300}));
    QVERIFY(MakeMatDialog(h.context, 3, nullptr) == nullptr);
  }

  // A new picture: the ending picks the reader whatever filter is shown, a
  // name without one goes by the filter; the borders go back to 0. A custom
  // width shows its height at once and applies after the pause; the file's
  // size becomes the custom width for next time. Cancel then puts back the
  // whole design as it was with the new picture, also what other dialogs
  // changed meanwhile.
  void newPictureSurvivesCancel() {
    using namespace image_ids;
    Harness h;
    QTemporaryDir folder(QStringLiteral("/tmp/pv-XXXXXX"));  // short enough for the path to be shown whole
    const std::string path = folder.filePath("boats.tif").toStdString();
    QVERIFY(WriteTiffPicture(path, 400, 100, 200.0));  // 2 by 0.5 inches
    h.state->persistent.lastInputFolder = "/somewhere";
    // The file's size of the picture shown (3 by 2 inches) becomes the custom size for next time.
    PictureSettings& p = h.design().picture;
    std::tie(h.design().border.left, p.raster) = std::pair(1.0, BlankPicture(300, 200, 100.0));
    QPointer<PropertyDialog> d = h.Open(kCommandImage);
    Type(d, kTop, "0.3");  // an unapplied typed value is dropped by the refill
    Click(d, kSelect);     // cancelled: nothing happens
    const FileDialogRequest& request = h.interaction.openRequests.back();
    QCOMPARE(std::tuple(h.renders, p.customWidth, request.folder, request.filters.size(),
                        request.filters[2].pattern),
             std::tuple(0, 3.0, std::string("/somewhere"), size_t{3}, std::string("*.png")));
    // A JPEG named as one under the TIFF filter, a JPEG and a PNG without an ending.
    QImage harbour(40, 30, QImage::Format_RGB32);
    harbour.fill(Qt::darkCyan);
    QVERIFY(harbour.save(folder.filePath("harbour.JPG"), "JPEG") &&
            harbour.scaled(20, 10).save(folder.filePath("harbour"), "JPEG") &&
            harbour.scaled(24, 18).save(folder.filePath("quay"), "PNG"));
    for (auto [name, filter, width] :
         {std::tuple("harbour.JPG", 0, 40), {"harbour", 1, 20}, {"quay", 2, 24}, {"boats.tif", 1, 400}}) {
      h.interaction.openAnswers = {folder.filePath(name).toStdString()};
      h.interaction.openFilters = {filter};
      Click(d, kSelect);
      QCOMPARE(PictureImage(h.design().picture).width, width);
    }
    QCOMPARE(std::tuple(h.interaction.errors.size(), p.pathname, h.state->persistent.lastInputFolder),
             std::tuple(size_t{0}, path, folder.path().toStdString()));
    QCOMPARE(
        (QStringList{d->controlAs<QLabel>(kPathname)->text(), Text(d, kWidth), Text(d, kHeight),
                     Text(d, kLeft), Text(d, kTop)}),
        (QStringList{"Pathname: " + QString::fromStdString(path), "2.000 in", "0.500 in", "0.000 in", ""}));
    QVERIFY(d->controlAs<QCheckBox>(kEqual)->isChecked() && !d->delayTimer()->isActive());
    SceneSettings expected = h.design();
    Click(d, kCustomSizeRadio);
    Type(d, kWidth, "6");
    QCOMPARE(std::tuple(Text(d, kHeight), p.customWidth), std::tuple(QStringLiteral("1.500 in"), 2.0));
    QVERIFY(Pause(d));
    QCOMPARE(std::tuple(p.customWidth, p.customHeight), std::tuple(6.0, 1.5));
    Type(d, kWidth, "1000");  // only blanks the height
    QVERIFY(Pause(d));
    QCOMPARE(std::tuple(Text(d, kHeight), h.interaction.errors, p.customWidth),
             std::tuple(QStringLiteral("N/A"), std::vector<std::string>{"Illegal custom width value"}, 6.0));
    Click(d, kSizeFromFileRadio);
    QCOMPARE(std::tuple(Text(d, kWidth), p.customWidth), std::tuple(QStringLiteral("2.000 in"), 2.0));
    Click(d, kCustomSizeRadio);
    QCOMPARE(Text(d, kHeight), QStringLiteral("0.500 in"));
    Enter(d, kLeft, "0.5");
    Click(d, kBorderColor);
    QTest::mouseClick(d->picker(kBorderColorPicker), Qt::LeftButton, {}, QPoint(156, 290));  // black
    std::tie(h.design().frame.topWidth, h.design().mats[kInnerMat].texture) = std::pair(3.0, 2);
    Click(d, kControlCancel);
    expected.modified = 1;
    QVERIFY(d.isNull() && h.design() == expected);
  }

  void mainWindowOpensOneOfEach() {
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
    Enter(mat, mat_ids::kLeft, "2.5");
    // A completed Open (of the design saved now) or New closes every dialog,
    // and nothing of the old design comes back into the new one (Cancel
    // would put 1.5 back).
    QTemporaryDir folder;
    const std::string design = folder.filePath(QStringLiteral("wide.Passavue")).toStdString();
    QCOMPARE(SaveSettingsFileAs(design, &h.design(), &h.state->persistent.lastParamsFolder), 0);
    for (int command : {kCommandOpen, kCommandNew}) {
      for (int dialog = kCommandImage; dialog <= kCommandBackground; ++dialog) window.RunCommand(dialog);
      h.design().modified = 1;
      h.interaction.answers = {Answer::No};  // to "Save modified settings?"
      h.interaction.openAnswers = {design};
      window.RunCommand(command);
      Settle();
      for (int dialog = kCommandImage; dialog <= kCommandBackground; ++dialog)
        QVERIFY(window.propertyDialog(dialog) == nullptr);
      QCOMPARE(std::tuple(h.design().mats[kOuterMat].left, h.design().modified),
               std::tuple(command == kCommandOpen ? 2.5 : 1.5, 0));
    }
  }

  // Cancel keeps the preferences; OK stores them and draws again; stored
  // values outside the lists select nothing and OK brings them into range.
  void preferences() {
    PersistentState preferences;
    int renders = 0;
    for (int button : {kControlCancel, kControlOk}) {
      PreferencesDialog dialog(
          &preferences, [&renders]() { ++renders; }, nullptr);
      dialog.unitsList()->setCurrentIndex(1);
      dialog.delayList()->setCurrentIndex(4);
      dialog.findChild<QPushButton*>(QString::number(button))->click();
      QCOMPARE(std::tuple(preferences.units, preferences.updateDelay, renders),
               button == kControlOk ? std::tuple(1, 4, 1) : std::tuple(0, 1, 0));
    }
    std::tie(preferences.units, preferences.updateDelay) = std::pair(7, -2);
    PreferencesDialog dialog(&preferences, nullptr, nullptr);
    QCOMPARE(std::tuple(dialog.unitsList()->currentIndex(), dialog.delayList()->currentIndex()),
             std::tuple(-1, -1));
    dialog.accept();
    QCOMPARE(std::tuple(preferences.units, preferences.updateDelay), std::tuple(0, 1));
  }
};

QTEST_MAIN(DialogsTest)

#include "dialogs_test.moc"
