// The colour picker: a small top-level window with a hexagonal hue field, a
// brightness bar and eleven fixed swatches. A property dialog opens one per
// colour setting and hears every chosen colour through PickerColorChanged.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

#include "image/image.h"
#include "scene/settings.h"

// i * sqrt(3)/2 and i * 2/sqrt(3), rounded, for i = -255..255 (entry i + 255).
using HexTable = std::array<int16_t, 511>;

constexpr HexTable MakeHexTable(int32_t factor) {
  HexTable table{};
  for (int32_t i = -255; i <= 255; ++i) {
    // C++ division truncates toward zero, as the table wants.
    table[static_cast<size_t>(i + 255)] = static_cast<int16_t>((factor * i + 2048) / 4096);
  }
  return table;
}
inline constexpr HexTable HexHalfRoot3 = MakeHexTable(3547);
inline constexpr HexTable HexTwoByRoot3 = MakeHexTable(4730);

// The entry for i; i outside -255..255 is clamped to the table's ends.
int32_t HexLookup(const HexTable& table, int32_t i);

// The colour of a hexagon point (x right, y down, centre 0, corners at
// radius 255, red at the top). False, and `colour` untouched, outside.
bool HexPointColor(double x, double y, RgbColor* color);

// Where a hue lies in the hexagon, and the marker's centre in the window.
void HuePosition(const RgbColor& hue, int32_t* x, int32_t* y);
void HueMarkerCentre(const RgbColor& hue, int32_t* mx, int32_t* my);

// red + 256 green + 65536 blue, the form the notifications carry.
uint32_t PackColor(const RgbColor& color);
RgbColor UnpackColor(uint32_t packed);

enum class PickerCursor { Arrow, VerticalResize };

// The picker's state, free of any window so that every rule can be tested.
struct PickerState {
  uint32_t id = 0;
  int32_t dragMode = 0;  // 0 none, 1 in the hexagon, 2 in the bar
  RgbColor current;      // what is reported
  RgbColor hue;          // full brightness: largest component 255, or white
  int32_t brightness = 0;
  PickerCursor cursor = PickerCursor::Arrow;
};

// The state for a starting colour; components outside 0..255 are clamped.
PickerState InitPickerState(uint32_t id, const RgbColor& color);
// Mouse press in window coordinates; true when a colour must be reported now.
bool PickerPress(PickerState* state, int32_t mx, int32_t my);
// Mouse move; never reports.
void PickerMove(PickerState* state, int32_t mx, int32_t my);
// Mouse release; true when a drag ended and its colour must be reported.
bool PickerRelease(PickerState* state);

// The client size of the picker window.
constexpr int kPickerClientWidth = 300;
constexpr int kPickerClientHeight = 321;

// The hexagon field, Rgb8 257 x 257; 0 success, 1 out of memory.
int BuildHexImage(Image* image);
// The brightness bar for a hue, Rgb8 16 x 256, black at the bottom.
int BuildBarImage(const RgbColor& hue, Image* image);

class ColorPicker : public QWidget {
  Q_OBJECT
 public:
  // A visible window at `position` (frame corner), owned by `owner`, which
  // deletes it with itself; closing it from its title bar deletes it too.
  ColorPicker(QWidget* owner, QPoint position, const QString& title, uint32_t id, const RgbColor& color);
  ~ColorPicker() override;

  const PickerState& state() const { return state_; }

 signals:
  void PickerColorChanged(quint32 id, quint32 packedColor);
  void PickerClosed(quint32 id, quint32 zero);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void ShowCursor();

  PickerState state_;
  Image hexImage_;
  Image barImage_;
};
