// The property dialogs, Preferences and About, driven with key clicks, mouse
// clicks and their delay timers.
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <set>

#include "dialogs_test_util.h"
#include "scene/settings_file.h"
#include "scene/units.h"
#include "shell/colour_picker.h"
#include "shell/control_ids.h"
#include "shell/design_dialogs.h"
#include "shell/hit_test.h"
#include "shell/main_window.h"
#include "shell/preferences_dialog.h"
#include "support/pictures.h"

std::unique_ptr<QObject> MakePickerTest();

namespace {

// Lets deleteLater() run, as the event loop would.
void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// Cancels a dialog as its Cancel button does.
void Dismiss(PropertyDialog* dialog) {
  dialog->reject();
  Settle();
}

QRgb Rgb8Of(const RgbColor& c) { return qRgb(c.red, c.green, c.blue); }

QLineEdit* Field(PropertyDialog* dialog, int id) { return dialog->controlAs<QLineEdit>(id); }
QString Text(PropertyDialog* dialog, int id) { return Field(dialog, id)->text(); }

// Replaces a field's text as a person would, one key at a time.
void Type(PropertyDialog* dialog, int id, const QString& text) {
  QLineEdit* field = Field(dialog, id);
  field->selectAll();
  if (text.isEmpty()) {
    QTest::keyClick(field, Qt::Key_Backspace);
  } else {
    QTest::keyClicks(field, text);
  }
}

// The pause the user makes: the delay timer fires now instead of later.
bool Pause(PropertyDialog* dialog) {
  QTimer* timer = dialog->delayTimer();
  if (!timer->isActive()) return false;
  timer->stop();
  return QMetaObject::invokeMethod(timer, "timeout");
}

// Types a field's text and lets its delay run out.
void Enter(PropertyDialog* dialog, int id, const QString& text) {
  Type(dialog, id, text);
  QVERIFY(Pause(dialog));
}

// Enters a text that must be refused with `message`.
void Refused(const Harness& h, PropertyDialog* dialog, int id, const QString& text, const char* message) {
  Enter(dialog, id, text);
  QCOMPARE(h.interaction.errors.back(), std::string(message));
}

void Choose(PropertyDialog* dialog, int id, int index) {
  auto* list = dialog->controlAs<QComboBox>(id);
  list->setCurrentIndex(index);
  emit list->activated(index);
}

void Click(PropertyDialog* dialog, int id) {
  auto* button = dialog->controlAs<QAbstractButton>(id);
  // Near the left edge: on a check box or radio that is the indicator, which
  // a click must hit (a wide box does not react beyond its text).
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  Settle();
}

// The picker's swatch cell k (0 black .. 10 yellow).
void ClickSwatch(ColourPicker* picker, int k) {
  QTest::mouseClick(picker, Qt::LeftButton, {}, QPoint(150 + 12 * k + 6, 290));
}

// The text of the label that names a control.
QString LabelOf(PropertyDialog* dialog, int id) {
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (label->buddy() == dialog->control(id)) return label->text();
  }
  return {};
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void backgroundDialogShowsAndAppliesAfterThePause() {
    using namespace background_ids;
    Harness h;
    QPointer<PropertyDialog> d = h.Open(kCommandBackground);
    QCOMPARE(d->windowTitle(), QStringLiteral("Background & Lighting Properties"));
    QCOMPARE(Text(d, kRatio), QStringLiteral("1.20"));
    QVERIFY(d->controlAs<QRadioButton>(kBrightRadio)->isChecked() &&
            d->controlAs<QRadioButton>(kTypeFirst + kMixed)->isChecked());  // Bright, Mixed
    QCOMPARE(d->controlAs<QRadioButton>(kTypeFirst + 7)->text() + "|" +
                 d->controlAs<QRadioButton>(kSubduedRadio)->text(),
             QStringLiteral("North Light|Subdued"));
    QVERIFY(d->control(kApply) != nullptr && !d->control(kApply)->isVisible());  // Apply stays hidden
    QCOMPARE(d->controlAs<ColourButton>(kColour)->shownColour(), QColor(150, 140, 100));

    Type(d, kRatio, "2");
    QVERIFY(d->delayTimer()->isActive() && d->delayTimer()->interval() == 1500);
    QCOMPARE(std::tuple(h.state->scene.background.ratio, h.renders), std::tuple(1.2, 0));  // nothing before the pause
    QVERIFY(Pause(d));
    QCOMPARE(std::tuple(h.state->scene.background.ratio, h.state->scene.modified, h.renders), std::tuple(2.0, 1, 1));

    // A leading number is taken; without one the text reads as 0 and is refused.
    Enter(d, kRatio, "3x");
    QCOMPARE(h.state->scene.background.ratio, 3.0);
    for (const char* bad : {"0.5", "x3", "10.01", "0.99"}) {
      Refused(h, d, kRatio, bad, "Illegal Background to Frame Ratio");
      QCOMPARE(h.state->scene.background.ratio, 3.0);
    }
    QCOMPARE(h.renders, 2);
    for (const char* edge : {"1", "10"}) {
      Enter(d, kRatio, edge);
      QCOMPARE(h.state->scene.background.ratio, std::stod(edge));
    }

    // OK with a refused value keeps the dialog open.
    Type(d, kRatio, "0.5");
    const size_t errors = h.interaction.errors.size();
    Click(d, kControlOk);
    QVERIFY(!d.isNull() && d->isVisible());
    QCOMPARE(h.interaction.errors.size(), errors + 1);
    QVERIFY(!d->delayTimer()->isActive());

    // Cancel puts back the ratio of the opening, but not `modified`.
    Click(d, kControlCancel);
    QVERIFY(d.isNull());
    QCOMPARE(std::tuple(h.state->scene.background.ratio, h.state->scene.modified), std::tuple(1.2, 1));
  }

  void radiosApplyAtOnceAndRespectTheRatioCheck() {
    using namespace background_ids;
    Harness h;
    h.state->persistent.updateDelay = 4;
    QPointer<PropertyDialog> d = h.Open(kCommandBackground);
    Click(d, kTypeFirst + kDaylight);
    QCOMPARE(std::tuple(h.state->scene.lighting.type, h.state->scene.modified, h.renders), std::tuple(6, 1, 1));
    Click(d, kSubduedRadio);
    QCOMPARE(h.state->scene.lighting.intensity, 2);

    // An invalid ratio blocks the radio too: its message, nothing stored.
    Type(d, kRatio, "0.5");
    QCOMPARE(d->delayTimer()->interval(), 3000);
    Click(d, kTypeFirst + kTungsten);
    QCOMPARE(h.interaction.errors.back(), std::string("Illegal Background to Frame Ratio"));
    QCOMPARE(std::tuple(h.state->scene.lighting.type, h.renders), std::tuple(6, 2));

    // Codes from a damaged file check no radio and are kept until one is chosen.
    Harness damaged;
    damaged.state->scene.lighting.type = 42;
    damaged.state->scene.lighting.intensity = -1;
    QPointer<PropertyDialog> e = damaged.Open(kCommandBackground);
    for (int id = kSubduedRadio; id < kTypeFirst + kLightingTypeCount; ++id) {
      if (id == kColour || id == kColourPicker) continue;
      QVERIFY(!e->controlAs<QRadioButton>(id)->isChecked());
    }
    Enter(e, kRatio, "2");
    const SceneSettings& s = damaged.state->scene;
    QCOMPARE(std::tuple(s.lighting.type, s.lighting.intensity, s.background.ratio), std::tuple(42, -1, 2.0));
    e->reject();
    Dismiss(d);
  }

  void coloursChangeLiveAndCancelTakesThemBack() {
    using namespace background_ids;
    Harness h;
    QPointer<PropertyDialog> d = h.Open(kCommandBackground);
    Click(d, kColour);
    QPointer<ColourPicker> picker = d->picker(kColourPicker);
    QVERIFY(!picker.isNull());
    QCOMPARE(std::tuple(picker->windowTitle(), picker->pos(), Rgb8Of(picker->state().current)),
             std::tuple(QStringLiteral("Background Color"), QPoint(100, 100), qRgb(150, 140, 100)));
    Click(d, kColour);  // open already: the same picker
    QCOMPARE(d->picker(kColourPicker), picker.data());

    ClickSwatch(picker, 6);  // green
    QCOMPARE(h.state->scene.background.color, (RgbColor{0, 255, 0}));
    QCOMPARE(std::tuple(h.renders, h.state->scene.modified), std::tuple(1, 0));  // a live colour is not yet a change
    QCOMPARE(d->controlAs<ColourButton>(kColour)->shownColour(), QColor(0, 255, 0));

    // A picker's placement is kept when it closes and used when it reopens:
    // its own area, which a window manager does not change when it takes
    // the frame away at closing.
    picker->move(230, 170);
    const QRect moved = picker->geometry();
    picker->close();
    Settle();
    QVERIFY(picker.isNull() && d->picker(kColourPicker) == nullptr);
    QCOMPARE(h.placements[kCommandBackground * 10000 + kColourPicker], moved);
    Click(d, kColour);
    QCOMPARE(d->picker(kColourPicker)->geometry(), moved);

    // Changes made meanwhile elsewhere survive this dialog's Cancel.
    h.state->scene.frame.leftWidth = 2.5;
    picker = d->picker(kColourPicker);
    Click(d, kControlCancel);
    QVERIFY(d.isNull() && picker.isNull());  // the dialog's pickers go with it
    QCOMPARE(std::tuple(h.state->scene.background.color, h.state->scene.frame.leftWidth),
             std::tuple(RgbColor{150, 140, 100}, 2.5));
  }

  void frameDialogListsWidthsAndOrderOfChecks() {
    using namespace frame_ids;
    Harness h;
    h.state->persistent.units = kMillimetres;
    QPointer<PropertyDialog> d = h.Open(kCommandFrame);
    QCOMPARE(d->windowTitle(), QStringLiteral("Frame Properties"));
    QCOMPARE(Text(d, kLeft) + Text(d, kOuterDepth) + Text(d, kInnerDepth),
             QStringLiteral("19.05 mm19.05 mm6.35 mm"));
    QCOMPARE(Text(d, kWidth),
             QString::fromStdString(FormatLength(h.state->scene.frame.overallWidth, kMillimetres)));
    QVERIFY(!Field(d, kWidth)->isEnabled() && Field(d, kHeight)->isReadOnly());
    QCOMPARE(d->controlAs<QComboBox>(kStyle)->count(), 11);
    QCOMPARE(
        d->controlAs<QComboBox>(kStyle)->itemText(10) + "|" + d->controlAs<QComboBox>(kFinish)->currentText(),
        QStringLiteral("Triple Bead|Glossy"));
    // Equal widths open with the box checked and the three fields empty.
    QVERIFY(d->controlAs<QCheckBox>(kEqual)->isChecked() && Text(d, kRight).isEmpty() &&
            !Field(d, kBottom)->isEnabled());

    Choose(d, kStyle, 10);
    QCOMPARE(std::tuple(h.state->scene.frame.style, h.renders), std::tuple(10, 1));

    // The dialog keeps the units it was opened with.
    h.state->persistent.units = kInches;
    Enter(d, kLeft, "25.4");
    for (double w : {h.state->scene.frame.leftWidth, h.state->scene.frame.rightWidth,
                     h.state->scene.frame.topWidth, h.state->scene.frame.bottomWidth}) {
      QCOMPARE(w, 25.4 * kUnitToInches[kMillimetres]);
    }
    Enter(d, kOuterDepth, "1 in");
    QCOMPARE(h.state->scene.frame.outerDepth, 1.0);

    // The lists are stored even when a field is then refused.
    Type(d, kLeft, "abc");
    Choose(d, kFinish, 0);
    QCOMPARE(std::tuple(h.state->scene.frame.finish, h.renders), std::tuple(0, 3));
    QCOMPARE(h.interaction.errors.back(), std::string("Illegal left value"));

    // Inner depth is checked first, then outer depth, then the widths.
    Type(d, kInnerDepth, "x");
    Refused(h, d, kOuterDepth, "y", "Illegal inner depth value");
    Refused(h, d, kInnerDepth, "0", "Illegal outer depth value");
    // Nothing of a refused Apply is stored: the inner depth is still the
    // design's 0.25 in, kept exact while its text "6.35 mm" was untouched.
    QCOMPARE(h.state->scene.frame.innerDepth, 0.25);
    Refused(h, d, kOuterDepth, "3/8in", "Illegal left value");
    QCOMPARE(h.state->scene.frame.outerDepth, 1.0);
    Refused(h, d, kLeft, "1000 in", "Illegal left value");

    // Unequal widths, each with its own message in the order right, top, bottom.
    Click(d, kEqual);
    QVERIFY(!d->controlAs<QCheckBox>(kEqual)->isChecked() && Field(d, kRight)->isEnabled());
    QCOMPARE(Text(d, kRight), QStringLiteral("1000 in"));
    Type(d, kLeft, "10");
    Type(d, kRight, "-");
    Refused(h, d, kTop, "-", "Illegal right value");
    Refused(h, d, kRight, "20", "Illegal top value");
    Type(d, kTop, "30");
    Enter(d, kBottom, "40");
    const FrameSettings& f = h.state->scene.frame;
    const double mm = kUnitToInches[kMillimetres];
    QCOMPARE(std::tuple(f.innerDepth, f.outerDepth, f.leftWidth, f.rightWidth, f.topWidth, f.bottomWidth),
             std::tuple(0.0, 0.375, 10 * mm, 20 * mm, 30 * mm, 40 * mm));

    // Checking Equal gives the three the stored left width at once.
    Click(d, kEqual);
    QCOMPARE(std::tuple(f.rightWidth, f.bottomWidth), std::tuple(f.leftWidth, f.leftWidth));
    QVERIFY(Text(d, kTop).isEmpty());

    // Cancel restores the frame, and only the frame.
    h.state->scene.mats[kOuterMat].left = 4.0;
    Click(d, kColour);
    ClickSwatch(d->picker(kColourPicker), 5);
    QCOMPARE(f.color, (RgbColor{255, 0, 0}));
    Dismiss(d);
    QCOMPARE(f.color, (RgbColor{0, 0, 0}));
    QCOMPARE(std::tuple(f.style, f.finish, f.outerDepth, f.innerDepth, f.leftWidth, f.bottomWidth),
             std::tuple(0, 1, 0.75, 0.25, 0.75, 0.75));
    QCOMPARE(h.state->scene.mats[kOuterMat].left, 4.0);
  }

  void okKeepsAndClosesWithItsPickers() {
    using namespace frame_ids;
    Harness h;
    QPointer<PropertyDialog> d = h.Open(kCommandFrame);
    Type(d, kInnerDepth, "30 mm");  // a unit suffix wins over the display units
    Click(d, kColour);
    QPointer<ColourPicker> picker = d->picker(kColourPicker);
    QVERIFY(d->delayTimer()->isActive());
    Click(d, kControlOk);
    QVERIFY(d.isNull() && picker.isNull());
    QCOMPARE(std::tuple(h.state->scene.frame.innerDepth, h.state->scene.modified, h.renders),
             std::tuple(30 * 0.039370001240155036, 1, 1));
    QVERIFY(h.placements.count(kCommandFrame * 10000 + kColourPicker) == 1);  // the picker's place is kept
  }

  void matDialogsWorkApart() {
    using namespace mat_ids;
    Harness h;
    h.state->scene.mats[kMiddleMat].top = 0.75;  // unequal margins in the middle mat
    QPointer<PropertyDialog> outer = h.Open(kCommandOuterMat);
    QPointer<PropertyDialog> middle = h.Open(kCommandMiddleMat);
    QPointer<PropertyDialog> inner = h.Open(kCommandInnerMat);
    QCOMPARE(outer->windowTitle() + middle->windowTitle() + inner->windowTitle(),
             QStringLiteral("Outer Mat PropertiesMiddle Mat PropertiesInner Mat Properties"));
    QCOMPARE(Text(outer, kLeft) + "|" + Text(inner, kThickness) + "|" + Text(middle, kTop),
             QStringLiteral("1.500 in|0.055 in|0.750 in"));
    QVERIFY(outer->controlAs<QCheckBox>(kEqual)->isChecked() &&
            !middle->controlAs<QCheckBox>(kEqual)->isChecked());
    QVERIFY(outer->delayTimer() != middle->delayTimer());

    Type(outer, kLeft, "2");
    Type(middle, kLeft, "1");
    QVERIFY(Pause(outer) && Pause(middle));
    const MatSettings& o = h.state->scene.mats[kOuterMat];
    const MatSettings& m = h.state->scene.mats[kMiddleMat];
    QCOMPARE(std::tuple(o.left, o.bottom, m.left, m.top, m.right, h.state->scene.mats[kInnerMat].left),
             std::tuple(2.0, 2.0, 1.0, 0.75, 0.5, 0.25));

    // Check order: thickness, left, right, top, bottom.
    Type(middle, kThickness, "1000");
    Refused(h, middle, kLeft, "x", "Illegal thickness value");
    Refused(h, middle, kThickness, "0", "Illegal left margin value");
    Type(middle, kLeft, "1");
    Refused(h, middle, kRight, "", "Illegal right margin value");
    Type(middle, kRight, "1");
    Refused(h, middle, kTop, "?", "Illegal top margin value");
    Type(middle, kTop, "1");
    Refused(h, middle, kBottom, "e", "Illegal bottom margin value");
    QCOMPARE(m.thickness, 0.055);
    Enter(middle, kBottom, "1 1/2");
    QCOMPARE(std::tuple(m.thickness, m.bottom), std::tuple(0.0, 1.5));

    // Lists and bevel radios apply at once.
    Choose(inner, kOpening, 1);
    QCOMPARE(h.state->scene.mats[kInnerMat].opening, 1);
    Choose(inner, kTexture, 5);
    QCOMPARE(h.state->scene.mats[kInnerMat].texture, 5);
    Click(inner, kBevelFirst + 2);
    QCOMPARE(h.state->scene.mats[kInnerMat].bevel, 2);
    QCOMPARE(inner->controlAs<QRadioButton>(kBevelFirst)->text(), QStringLiteral("45 Degree"));

    // Both colours of a mat, each with its own picker; Cancel takes both back.
    Click(outer, kColour);
    Click(outer, kBevelColour);
    QCOMPARE(outer->picker(kColourPicker)->windowTitle(), QStringLiteral("Outer Mat Color"));
    QCOMPARE(outer->picker(kBevelColourPicker)->windowTitle(), QStringLiteral("Outer Mat Bevel Color"));
    ClickSwatch(outer->picker(kColourPicker), 7);
    ClickSwatch(outer->picker(kBevelColourPicker), 2);
    QCOMPARE(std::tuple(o.color, o.bevelColor, m.color),
             std::tuple(RgbColor{0, 0, 255}, RgbColor{128, 128, 128}, RgbColor{128, 120, 115}));
    outer->close();  // the close box is Cancel
    Settle();
    QVERIFY(outer.isNull());
    QCOMPARE(std::tuple(o.color, o.bevelColor), std::tuple(RgbColor{255, 250, 240}, RgbColor{240, 240, 240}));
    QCOMPARE(std::tuple(o.left, m.left), std::tuple(1.5, 1.0));  // the middle mat's applied change stays

    // Escape is Cancel; Enter in a field is OK.
    QTest::keyClick(inner, Qt::Key_Escape);
    Settle();
    QVERIFY(inner.isNull());
    const MatSettings& i = h.state->scene.mats[kInnerMat];
    QCOMPARE(std::tuple(i.opening, i.texture, i.bevel), std::tuple(0, 0, 0));
    Type(middle, kThickness, "0.1");
    QTest::keyClick(Field(middle, kThickness), Qt::Key_Return);
    Settle();
    QVERIFY(middle.isNull());
    QCOMPARE(m.thickness, 0.1);
  }

  void everyControlCarriesItsLabel() {
    Harness h;
    const std::vector<std::pair<int, std::vector<std::pair<int, const char*>>>> dialogs = {
        {kCommandBackground,
         {{background_ids::kColour, "Color:"}, {background_ids::kRatio, "Background to Frame Ratio:"}}},
        {kCommandFrame,
         {{frame_ids::kStyle, "Style:"},
          {frame_ids::kFinish, "Gloss:"},
          {frame_ids::kColour, "Color:"},
          {frame_ids::kWidth, "Width:"},
          {frame_ids::kHeight, "Height:"},
          {frame_ids::kOuterDepth, "Outer Depth:"},
          {frame_ids::kInnerDepth, "Inner Depth:"},
          {frame_ids::kLeft, "Left:"},
          {frame_ids::kTop, "Top:"},
          {frame_ids::kRight, "Right:"},
          {frame_ids::kBottom, "Bottom:"}}},
        {kCommandInnerMat,
         {{mat_ids::kOpening, "Opening:"},
          {mat_ids::kTexture, "Texture:"},
          {mat_ids::kColour, "Color:"},
          {mat_ids::kThickness, "Thickness:"},
          {mat_ids::kLeft, "Left:"},
          {mat_ids::kTop, "Top:"},
          {mat_ids::kRight, "Right:"},
          {mat_ids::kBottom, "Bottom:"},
          {mat_ids::kBevelColour, "Bevel Color:"}}},
        {kCommandImage,
         {{image_ids::kWidth, "Width:"},
          {image_ids::kHeight, "Height:"},
          {image_ids::kLeft, "Left:"},
          {image_ids::kTop, "Top:"},
          {image_ids::kRight, "Right:"},
          {image_ids::kBottom, "Bottom:"},
          {image_ids::kBorderColour, "Color:"}}},
    };
    for (const auto& [command, labels] : dialogs) {
      QPointer<PropertyDialog> d = h.Open(command);
      for (const auto& [id, label] : labels) QCOMPARE(LabelOf(d, id), QString::fromUtf8(label));
      QVERIFY(d->control(kControlOk)->isVisible() && d->control(kControlCancel)->isVisible());
      QCOMPARE(
          d->controlAs<QPushButton>(kControlOk)->text() + d->controlAs<QPushButton>(kControlCancel)->text(),
          QStringLiteral("OKCancel"));
      Dismiss(d);
    }
  }

  void damagedCodesAndColoursAreShownSafely() {
    using namespace mat_ids;
    Harness h;
    MatSettings& m = h.state->scene.mats[kInnerMat];
    m.texture = 42;
    m.opening = -3;
    m.bevel = 7;
    m.color = RgbColor{999, -4, 300};
    QPointer<PropertyDialog> d = h.Open(kCommandInnerMat);
    QCOMPARE(std::tuple(d->controlAs<QComboBox>(kTexture)->currentIndex(),
                        d->controlAs<QComboBox>(kOpening)->currentIndex()),
             std::tuple(-1, -1));
    QCOMPARE(d->controlAs<ColourButton>(kColour)->shownColour(), QColor(255, 0, 255));
    Click(d, kColour);
    QCOMPARE(Rgb8Of(d->picker(kColourPicker)->state().current), qRgb(255, 0, 255));
    Enter(d, kThickness, "0.2");
    // No choice made: the codes stay.
    QCOMPARE(std::tuple(m.thickness, m.texture, m.opening, m.bevel), std::tuple(0.2, 42, -3, 7));
    Dismiss(d);
    QCOMPARE(m.color, (RgbColor{999, -4, 300}));
    QVERIFY(MakeMatDialog(h.context, 3, nullptr) == nullptr);
  }

  void imageDialogWithoutAPicture() {
    using namespace image_ids;
    Harness h;
    QPointer<PropertyDialog> d = h.Open(kCommandImage);
    QCOMPARE(d->windowTitle(), QStringLiteral("Image Properties"));
    QCOMPARE(d->controlAs<QLabel>(kPathname)->text() + "|" + d->controlAs<QPushButton>(kSelect)->text(),
             QStringLiteral("Pathname: N/A|Select New Image ..."));
    QVERIFY(d->controlAs<QRadioButton>(kSizeFromFileRadio)->isChecked());
    QCOMPARE(Text(d, kWidth) + Text(d, kHeight), QStringLiteral("N/AN/A"));
    QVERIFY(!Field(d, kWidth)->isEnabled() && !Field(d, kHeight)->isEnabled() &&
            !d->control(kApply)->isVisible());

    Click(d, kCustomSizeRadio);  // custom size: the width is shown, nothing follows it
    QCOMPARE(std::tuple(h.state->scene.picture.sizeMode, Text(d, kWidth), h.renders),
             std::tuple(kCustomSize, QStringLiteral("10.000 in"), 1));
    QVERIFY(Field(d, kWidth)->isEnabled());
    Type(d, kWidth, "4");
    QVERIFY(!d->delayTimer()->isActive());
    Type(d, kLeft, "0.5");  // Equal is on: all four follow the left
    QVERIFY(Pause(d));
    const ImageBorder& b = h.state->scene.border;
    QCOMPARE(std::tuple(h.state->scene.picture.customWidth, b.right, b.bottom), std::tuple(10.0, 0.5, 0.5));
    QVERIFY(Text(d, kRight).isEmpty() && !Field(d, kBottom)->isEnabled());

    Click(d, kEqual);
    Refused(h, d, kTop, "bad", "Illegal top border value");
    Refused(h, d, kLeft, "", "Illegal left border value");

    // The border colour picker, then a Cancel of everything.
    Click(d, kBorderColour);
    QCOMPARE(d->picker(kBorderColourPicker)->windowTitle(), QStringLiteral("Image Border Color"));
    ClickSwatch(d->picker(kBorderColourPicker), 0);
    QCOMPARE(b.color, (RgbColor{0, 0, 0}));
    const int renders = h.renders;
    Dismiss(d);
    QCOMPARE(std::tuple(h.renders, b.left, b.bottom, h.state->scene.picture.sizeMode),
             std::tuple(renders + 1, 0.0, 0.0, int(kSizeFromFile)));
    QCOMPARE(b.color, (RgbColor{255, 255, 255}));
  }

  void imageDialogWithAPicture() {
    using namespace image_ids;
    Harness h;
    PictureSettings& p = h.state->scene.picture;
    p.raster = BlankPicture(300, 200, 100.0);  // 3 by 2 inches
    p.pathname = "/pictures/harbour.tif";
    h.state->scene.border = ImageBorder{0.25, 0.5, 0.25, 0.25, {1, 2, 3}};
    QPointer<PropertyDialog> d = h.Open(kCommandImage);
    QCOMPARE(d->controlAs<QLabel>(kPathname)->text(), QStringLiteral("Pathname: /pictures/harbour.tif"));
    QCOMPARE(Text(d, kWidth) + Text(d, kHeight), QStringLiteral("3.000 in2.000 in"));
    QCOMPARE(p.customWidth, 3.0);
    QVERIFY(!d->controlAs<QCheckBox>(kEqual)->isChecked());
    QCOMPARE(Text(d, kRight), QStringLiteral("0.500 in"));

    Click(d, kCustomSizeRadio);
    QCOMPARE(Text(d, kWidth) + Text(d, kHeight), QStringLiteral("3.000 in2.000 in"));
    // Typing the width shows the height at once and applies after the pause.
    Type(d, kWidth, "6");
    QCOMPARE(std::tuple(Text(d, kHeight), p.customWidth), std::tuple(QStringLiteral("4.000 in"), 3.0));
    QVERIFY(Pause(d));
    QCOMPARE(std::tuple(p.customWidth, p.customHeight), std::tuple(6.0, 4.0));
    // "1", "10" and "100" restarted the timer; "1000" only blanks the height.
    Type(d, kWidth, "1000");
    QCOMPARE(Text(d, kHeight), QStringLiteral("N/A"));
    QVERIFY(Pause(d));
    QCOMPARE(h.interaction.errors.back(), std::string("Illegal custom width value"));
    h.interaction.errors.clear();
    Click(d, kControlOk);  // OK refuses it too, and the dialog stays
    QVERIFY(!d.isNull());
    QCOMPARE(h.interaction.errors, std::vector<std::string>{"Illegal custom width value"});
    QCOMPARE(p.customWidth, 6.0);
    Enter(d, kWidth, "999.9");
    QCOMPARE(p.customWidth, 999.9);
    QVERIFY(std::fabs(p.customHeight - 666.6) < 1e-9);

    // Back to the file's size, which becomes the custom width for next time.
    Click(d, kSizeFromFileRadio);
    QCOMPARE(Text(d, kWidth), QStringLiteral("3.000 in"));
    QCOMPARE(p.customWidth, 3.0);
    Click(d, kCustomSizeRadio);
    QCOMPARE(Text(d, kHeight), QStringLiteral("2.000 in"));

    Click(d, kControlOk);
    QVERIFY(d.isNull());
    QCOMPARE(std::tuple(h.state->scene.border.right, h.state->scene.modified), std::tuple(0.5, 1));
  }

  void imageDialogMillimetresAndWholeBackup() {
    using namespace image_ids;
    Harness h;
    h.state->persistent.units = kMillimetres;
    QPointer<PropertyDialog> d = h.Open(kCommandImage);
    Enter(d, kLeft, "25.4");
    QCOMPARE(std::tuple(h.state->scene.border.left, h.state->scene.border.top),
             std::tuple(25.4 * 0.039370001240155036, 25.4 * 0.039370001240155036));
    // This dialog's Cancel undoes the other dialogs' changes too.
    h.state->scene.frame.topWidth = 3.0;
    h.state->scene.mats[kInnerMat].texture = 2;
    Dismiss(d);
    QCOMPARE(std::tuple(h.state->scene.border.left, h.state->scene.frame.topWidth, h.state->scene.mats[kInnerMat].texture),
             std::tuple(0.0, 0.75, 0));
  }

  void untouchedFieldsKeepTheirExactValues() {
    Harness h;
    h.state->persistent.units = kMillimetres;  // 1 inch shows as "25.40 mm", which reads back as 0.999998
    MatSettings& inner = h.state->scene.mats[kInnerMat];
    MatSettings& outer = h.state->scene.mats[kOuterMat];
    inner.top = 1.0;  // unequal margins: all four fields shown
    outer.left = outer.right = outer.top = outer.bottom = 1.0;
    h.state->scene.background.ratio = 1.234;
    QPointer<PropertyDialog> mat = h.Open(kCommandInnerMat);
    QPointer<PropertyDialog> wall = h.Open(kCommandBackground);
    QPointer<PropertyDialog> equal = h.Open(kCommandOuterMat);
    QCOMPARE(Text(mat, mat_ids::kThickness) + "|" + Text(mat, mat_ids::kTop) + "|" +
                 Text(wall, background_ids::kRatio),
             QStringLiteral("1.40 mm|25.40 mm|1.23"));
    Type(mat, mat_ids::kLeft, "5");  // typed: read from its text
    Click(mat, kControlOk);
    Click(wall, kControlOk);
    Click(equal, mat_ids::kEqual);  // unchecked: the three fields take the left one's text, and its value
    QCOMPARE(std::tuple(inner.thickness, inner.top, inner.left, h.state->scene.background.ratio, outer.right),
             std::tuple(0.055, 1.0, 5 * 0.039370001240155036, 1.234, 1.0));
  }

  void newPictureSurvivesCancel() {
    using namespace image_ids;
    Harness h;
    QTemporaryDir folder;
    const std::string path = folder.filePath("boats.tif").toStdString();
    QVERIFY(WriteTiffPicture(path, 400, 100, 200.0));  // 2 by 0.5 inches
    h.state->persistent.lastInputFolder = "/somewhere";
    h.state->scene.border.left = 1.0;
    QPointer<PropertyDialog> d = h.Open(kCommandImage);
    Type(d, kTop, "0.3");  // an unapplied typed value is dropped by the refill

    h.interaction.openAnswers = {{"", 0}};
    Click(d, kSelect);  // cancelled: nothing happens
    QCOMPARE(h.renders, 0);
    const FileDialogRequest& request = h.interaction.openRequests.back();
    QCOMPARE(request.title, std::string("Load Input Image TIFF File"));
    QCOMPARE(request.filters.size(), size_t{2});
    QCOMPARE(std::tuple(request.filters[0].pattern, request.filters[1].name, request.filters[1].pattern,
                        request.initialName, request.folder),
             std::tuple(std::string("*.tif;*.tiff"), std::string("JPEG Files"), std::string("*.jpg;*.jpeg;*.jpe"),
                        std::string("*.tif;*.tiff"), std::string("/somewhere")));

    // The extension picks the reader whatever filter is shown: a JPEG
    // (written by Qt) under the TIFF filter, a TIFF named .jpg refused as JPEG.
    const PictureSettings& p = h.state->scene.picture;
    const QString jpeg = folder.filePath("harbour.JPG");
    QImage harbour(40, 30, QImage::Format_RGB32);
    harbour.fill(Qt::darkCyan);
    QVERIFY(harbour.save(jpeg, "JPEG") &&
            QFile::copy(QString::fromStdString(path), folder.filePath("boats.jpg")));
    h.interaction.openAnswers = {{jpeg.toStdString(), 0}, {folder.filePath("boats.jpg").toStdString(), 0}};
    Click(d, kSelect);
    QCOMPARE(std::tuple(PictureImage(p).width, h.interaction.errors.size()), std::tuple(40, size_t{0}));
    Click(d, kSelect);
    QCOMPARE(h.interaction.errors.back(),
             "Cannot read JPEG file: " + folder.filePath("boats.jpg").toStdString());

    // A path of 510 characters is elided in the middle to the dialog's width
    // (an 800-pixel screen) and shown whole in the tooltip.
    const QString deep = folder.filePath(QString(240, 'a') + "/" + QString(258 - folder.path().size(), 'b'));
    const std::string longPath = (deep + "/boats.tif").toStdString();
    QVERIFY(QDir().mkpath(deep) && WriteTiffPicture(longPath, 40, 10, 100.0));
    h.interaction.openAnswers = {{longPath, 0}};
    Click(d, kSelect);
    QCoreApplication::processEvents();
    const QLabel* label = d->controlAs<QLabel>(kPathname);
    QCOMPARE(std::tuple(longPath.size(), label->toolTip().toStdString()), std::tuple(size_t{510}, longPath));
    QVERIFY(d->frameGeometry().width() <= 800 && label->text().contains(QChar(0x2026)));
    QVERIFY(label->text().startsWith("Pathname: /") && label->text().endsWith("b/boats.tif"));
    QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width());

    h.interaction.openAnswers = {{path, 1}};
    Click(d, kSelect);
    QCOMPARE(std::tuple(PictureImage(p).width, p.pathname, h.state->persistent.lastInputFolder),
             std::tuple(400, path, folder.path().toStdString()));
    QCOMPARE(d->controlAs<QLabel>(kPathname)->text(), QString::fromStdString("Pathname: " + path));
    QCOMPARE(Text(d, kWidth) + Text(d, kHeight), QStringLiteral("2.000 in0.500 in"));
    // Borders reset to 0: Equal again.
    QCOMPARE(Text(d, kLeft) + "|" + Text(d, kTop), QStringLiteral("0.000 in|"));
    QVERIFY(d->controlAs<QCheckBox>(kEqual)->isChecked() && !d->delayTimer()->isActive());

    const Image* raster = p.raster.get();
    Dismiss(d);
    QCOMPARE(std::tuple(p.pathname, p.raster.get(), raster->width, h.state->scene.border.left, p.customWidth),
             std::tuple(path, raster, 400, 0.0, 2.0));
  }

  void mainWindowOpensOneOfEach() {
    using namespace mat_ids;
    Harness h;
    CommandHandlers handlers;
    handlers.makePropertyDialog = [&h](int command, QWidget* owner) {
      return MakePropertyDialog(command, owner, h.context);
    };
    MainWindow window(h.state.get(), &h.interaction, handlers);
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
    // Beside this narrow window an 800-pixel screen has room for a mat
    // dialog (its slot is 28 pixels along): it leaves the drawing clear.
    // Where the user moves it, it opens again.
    QDialog* outer = window.propertyDialog(kCommandOuterMat);
    const bool room = screen.right() - drawing.right() >= outer->frameGeometry().width() + 8 + 28;
    QCOMPARE(outer->frameGeometry().intersects(drawing), !room);
    outer->move(outer->x() - 40, outer->y() + 30);
    const QRect moved = outer->geometry();
    outer->close();
    Settle();
    window.RunCommand(kCommandOuterMat);
    QCOMPARE(window.propertyDialog(kCommandOuterMat)->geometry(), moved);
    QDialog* frame = window.propertyDialog(kCommandFrame);
    window.RunCommand(kCommandFrame);
    QCOMPARE(window.propertyDialog(kCommandFrame), frame);
    auto* mat = static_cast<PropertyDialog*>(window.propertyDialog(kCommandOuterMat));
    Enter(mat, kLeft, "2.5");
    QCOMPARE(h.state->scene.frame.overallWidth, 16.0 + 2.0);  // the design was laid out again
    QVERIFY(h.state->render.composite.width > 0);

    // A completed Open or New closes every dialog and picker, and nothing of
    // the old design comes back into the new one (Cancel would put 1.5 back).
    QTemporaryDir folder;
    const std::string design = folder.filePath(QStringLiteral("wide.Passavue")).toStdString();
    std::string unused;
    QCOMPARE(SaveSettingsFileAs(design, &h.state->scene, &unused), 0);  // outer left 2.5
    Click(mat, kColour);
    QPointer<ColourPicker> picker = mat->picker(kColourPicker);
    h.interaction.answer = Answer::No;  // to "Save modified settings?"
    for (int command : {kCommandOpen, kCommandNew}) {
      for (int dialog = kCommandImage; dialog <= kCommandBackground; ++dialog) window.RunCommand(dialog);
      h.state->scene.modified = 1;
      h.interaction.openAnswers = {{design}};
      window.RunCommand(command);
      Settle();
      for (int dialog = kCommandImage; dialog <= kCommandBackground; ++dialog) {
        QVERIFY(window.propertyDialog(dialog) == nullptr);
      }
      QVERIFY(picker.isNull());
      QCOMPARE(std::tuple(h.state->scene.mats[kOuterMat].left, h.state->scene.modified),
               std::tuple(command == kCommandOpen ? 2.5 : 1.5, 0));
    }
  }

  void preferencesAndAbout() {
    using namespace frame_ids;
    PersistentState preferences;
    int renders = 0;
    {
      PreferencesDialog dialog(&preferences, [&renders]() { ++renders; }, nullptr);
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Preferences"));
      QStringList units;
      for (int i = 0; i < dialog.unitsList()->count(); ++i) units << dialog.unitsList()->itemText(i);
      QCOMPARE(units.join(','), QStringLiteral("in,mm,cm"));
      QStringList delays;
      for (int i = 0; i < dialog.delayList()->count(); ++i) delays << dialog.delayList()->itemText(i);
      QCOMPARE(delays.join(','), QStringLiteral("1 sec.,1.5 sec.,2 sec.,2.5 sec.,3 sec."));
      QCOMPARE(std::tuple(dialog.unitsList()->currentIndex(), dialog.delayList()->currentIndex()), std::tuple(0, 1));
      dialog.unitsList()->setCurrentIndex(1);
      dialog.delayList()->setCurrentIndex(4);
      dialog.reject();
      QCOMPARE(std::tuple(preferences.units, preferences.updateDelay, renders), std::tuple(0, 1, 0));
    }
    {
      PreferencesDialog dialog(&preferences, [&renders]() { ++renders; }, nullptr);
      dialog.show();
      dialog.unitsList()->setCurrentIndex(1);
      dialog.delayList()->setCurrentIndex(4);
      QTest::mouseClick(dialog.findChild<QPushButton*>(QString::number(kControlOk)), Qt::LeftButton);
      QCOMPARE(std::tuple(preferences.units, preferences.updateDelay, renders), std::tuple(1, 4, 1));
    }
    // The next dialogs show millimetres and wait three seconds.
    Harness h;
    h.state->persistent = preferences;
    QPointer<PropertyDialog> frame = h.Open(kCommandFrame);
    QCOMPARE(Text(frame, kLeft), QStringLiteral("19.05 mm"));
    Type(frame, kLeft, "20");
    QCOMPARE(frame->delayTimer()->interval(), 3000);
    Dismiss(frame);

    // Stored values outside the lists select nothing; OK keeps them in range.
    preferences.units = 7;
    preferences.updateDelay = -2;
    {
      PreferencesDialog dialog(&preferences, nullptr, nullptr);
      QCOMPARE(std::tuple(dialog.unitsList()->currentIndex(), dialog.delayList()->currentIndex()), std::tuple(-1, -1));
      dialog.accept();
      QCOMPARE(std::tuple(preferences.units, preferences.updateDelay), std::tuple(0, 1));
    }

    AboutDialog about(nullptr);
    QCOMPARE(about.windowTitle(), QStringLiteral("About Passavue"));
    QStringList lines;
    for (QLabel* label : about.findChildren<QLabel*>()) {
      QVERIFY(label->alignment() & Qt::AlignHCenter);
      lines << label->text();
    }
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("Passavue 1.0"));
    QVERIFY(lines.join(' ').contains(QStringLiteral("Kestrow")) && lines.join(' ').contains(QStringLiteral("Little CMS")));
    about.show();
    QTest::mouseClick(about.findChild<QPushButton*>(QString::number(kControlOk)), Qt::LeftButton);
    QVERIFY(!about.isVisible() && about.result() == QDialog::Accepted);
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
