// The colour picker: its arithmetic, its hit rectangles, what it paints and
// when it reports.
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "shell/color_picker.h"
#include "shell/control_ids.h"

namespace {

RgbColor PointColor(double x, double y) {
  RgbColor c{-1, -1, -1};
  if (!HexPointColor(x, y, &c)) return RgbColor{-1, -1, -1};
  return c;
}

QRgb Rgb(const RgbColor& c) { return qRgb(c.red, c.green, c.blue); }

}  // namespace

class PickerTest : public QObject {
  Q_OBJECT

 private slots:
  void hexagonPointsHaveTheirColors() {
    // (90, 200) lies just inside a slanted edge.
    const std::tuple<double, double, QRgb> inside[] = {
        {0, -200, qRgb(255, 55, 55)},   {220, 0, qRgb(128, 255, 1)}, {-220, 0, qRgb(129, 2, 255)},
        {100, 100, qRgb(98, 255, 140)}, {0, 0, qRgb(255, 255, 255)}, {0, -255, qRgb(255, 0, 0)},
        {0, 255, qRgb(0, 255, 255)},    {90, 200, qRgb(3, 255, 151)}};
    for (auto [x, y, rgb] : inside) QCOMPARE(Rgb(PointColor(x, y)), rgb);
    // The tables round i * sqrt(3)/2 and i * 2/sqrt(3); below zero the fixed point truncates.
    QCOMPARE(std::tuple(HexLookup(HexHalfRoot3, 255), HexLookup(HexTwoByRoot3, 220),
                        HexLookup(HexTwoByRoot3, -220), HexLookup(HexTwoByRoot3, 9999)),
             std::tuple(221, 254, -253, 294));
    // The corners at +-127.5 lie on the edge; beyond the edges (also a slanted one) nothing.
    QVERIFY(PointColor(220.8, 127.5).red >= 0);
    for (auto [x, y] : {std::pair{221.0, 0.0}, {0.0, 255.5}, {150.0, 200.0}})
      QCOMPARE(PointColor(x, y).red, -1);
  }

  void initialStateSplitsHueAndBrightness() {
    PickerState s = InitPickerState(7, {100, 50, 0});
    QCOMPARE(std::tuple(s.brightness, Rgb(s.hue), Rgb(s.current)),
             std::tuple(100, qRgb(255, 127, 0), qRgb(100, 50, 0)));
    s = InitPickerState(7, {0, 0, 0});
    QCOMPARE(std::tuple(s.brightness, Rgb(s.hue)), std::tuple(0, qRgb(255, 255, 255)));
    // Black stays black wherever the hexagon is clicked.
    QVERIFY(!PickerPress(&s, 200, 60) && !(s.hue == RgbColor{255, 255, 255}));
    QCOMPARE(std::tuple(s.dragMode, Rgb(s.current)), std::tuple(1, qRgb(0, 0, 0)));
    // A colour read from a damaged design is brought into range.
    s = InitPickerState(7, {300, -4, 128});
    QCOMPARE(std::tuple(Rgb(s.current), s.brightness), std::tuple(qRgb(255, 0, 128), 255));
  }

  void swatchesReportAtOnce() {
    PickerState s = InitPickerState(1, {10, 20, 30});
    QVERIFY(PickerPress(&s, 150 + 12 * 6 + 5, 290));  // green
    QCOMPARE(std::tuple(PackColor(s.current), s.dragMode), std::tuple(65280u, 0));
    // x = 162 is shared by the black and the dark gray cells: black wins.
    // (282, 300) is yellow, the last cell.
    for (auto [x, y, rgb] :
         {std::tuple{162, 272, qRgb(0, 0, 0)}, {163, 305, qRgb(64, 64, 64)}, {282, 300, qRgb(255, 255, 0)}}) {
      QVERIFY(PickerPress(&s, x, y));
      QCOMPARE(Rgb(s.current), rgb);
    }
    QVERIFY(!PickerPress(&s, 283, 300) && !PickerPress(&s, 200, 306));  // beyond the row: nothing chosen
    QCOMPARE(UnpackColor(PackColor({12, 34, 56})).blue, 56);
  }

  void draggingReportsOnlyOnRelease() {
    PickerState s = InitPickerState(1, {255, 255, 255});
    QVERIFY(!PickerPress(&s, 132, 4));  // top corner
    QCOMPARE(Rgb(s.current), qRgb(255, 0, 0));
    PickerMove(&s, 132, 260);  // bottom corner
    PickerMove(&s, 5, 5);      // outside the hexagon: the last colour stays
    QCOMPARE(Rgb(s.current), qRgb(0, 255, 255));
    QVERIFY(PickerRelease(&s) && s.dragMode == 0 && !PickerRelease(&s));

    // The bar: the top gives full brightness, below the bar none.
    QVERIFY(!PickerPress(&s, 275, 100));
    QCOMPARE(std::tuple(s.dragMode, s.brightness, s.cursor),
             std::tuple(2, 160, PickerCursor::VerticalResize));
    for (auto [y, brightness] : {std::pair{5, 255}, {-40, 255}, {260, 0}}) {
      PickerMove(&s, 275, y);
      QCOMPARE(s.brightness, brightness);
    }
    PickerMove(&s, 275, 400);
    QVERIFY(PickerRelease(&s));
    QCOMPARE(std::tuple(Rgb(s.current), s.cursor), std::tuple(qRgb(0, 0, 0), PickerCursor::Arrow));

    // Without a drag the cursor only tells where the bar is.
    PickerMove(&s, 262, 4);
    QCOMPARE(s.cursor, PickerCursor::VerticalResize);
    PickerMove(&s, 261, 100);
    QCOMPARE(s.cursor, PickerCursor::Arrow);
    QVERIFY(!PickerPress(&s, 290, 100) && s.dragMode == 0);  // between the bar and the edge
  }

  void windowPaintsAndNotifies() {
    QWidget owner;
    auto* picker = new ColorPicker(&owner, QPoint(100, 100), QStringLiteral("Frame Color"),
                                   frame_ids::kColorPicker, {100, 50, 0});
    QPointer<ColorPicker> alive(picker);
    QCOMPARE(picker->windowTitle(), QStringLiteral("Frame Color"));
    QCOMPARE(QRect(picker->pos(), picker->size()), QRect(100, 100, 300, 321));
    QVERIFY(picker->isVisible());

    const QImage shot = picker->grab().toImage();
    // The sample on black and on gray and its surrounds, its outline (the
    // colour is dark), the panel, the hexagon's centre and corner, the red and
    // gray swatches and their frame, the bar's top (the hue), bottom and well.
    const std::tuple<int, int, QRgb> expected[] = {
        {28, 288, qRgb(100, 50, 0)},    {14, 274, qRgb(0, 0, 0)},        {60, 288, qRgb(100, 50, 0)},
        {54, 274, qRgb(128, 128, 128)}, {94, 274, qRgb(255, 255, 255)},  {16, 288, qRgb(255, 255, 255)},
        {6, 266, qRgb(64, 64, 64)},     {132, 132, qRgb(255, 255, 255)}, {8, 8, qRgb(192, 192, 192)},
        {215, 290, qRgb(255, 0, 0)},    {179, 290, qRgb(128, 128, 128)}, {148, 290, qRgb(255, 255, 255)},
        {275, 4, qRgb(255, 127, 0)},    {275, 259, qRgb(0, 0, 0)},       {265, 20, qRgb(128, 128, 128)}};
    for (auto [x, y, rgb] : expected) QCOMPARE(std::tuple(x, y, shot.pixel(x, y)), std::tuple(x, y, rgb));

    QSignalSpy changed(picker, &ColorPicker::PickerColorChanged);
    QTest::mouseClick(picker, Qt::LeftButton, {}, QPoint(150 + 12 * 6 + 5, 290));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(std::tuple(changed[0][0].toUInt(), changed[0][1].toUInt()), std::tuple(711u, 65280u));

    QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(132, 20));
    QTest::mouseMove(picker, QPoint(132, 250));
    QTest::mouseMove(picker, QPoint(2, 2));
    QCOMPARE(changed.count(), 1);
    QTest::mouseRelease(picker, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(changed.count(), 2);
    // The last inside point (0, 235) at the green swatch's full brightness.
    QCOMPARE(std::tuple(Rgb(UnpackColor(changed[1][1].toUInt())), Rgb(picker->state().current)),
             std::tuple(qRgb(20, 255, 255), qRgb(20, 255, 255)));

    QSignalSpy closed(picker, &ColorPicker::PickerClosed);
    picker->close();  // from its title bar: the window goes
    QTRY_VERIFY(alive.isNull());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed[0][0].toUInt(), 711u);
  }
};

std::unique_ptr<QObject> MakePickerTest() { return std::make_unique<PickerTest>(); }

#include "picker_test.moc"
