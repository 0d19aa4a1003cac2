#include "shell/color_picker.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "core/numeric.h"
#include "display/screen.h"

namespace {

constexpr double kHexHalfWidth = 220.8364779650318;
constexpr double kRoot3 = 1.732050807568877;

// Window geometry (client pixels).
constexpr int kHexLeft = 4;
constexpr int kHexTop = 4;
constexpr int kBarLeft = 268;
constexpr int kBarTop = 4;
constexpr int kSwatchLeft = 150;
constexpr int kSwatchWidth = 12;
constexpr int kSwatchTop = 272;
constexpr int kSwatchBottom = 305;  // inclusive for clicks, exclusive for drawing
constexpr int kSwatchCount = 11;

const QColor kLightGray(192, 192, 192);
const QColor kGray(128, 128, 128);
const QColor kDarkGray(64, 64, 64);

struct Swatch {
  int32_t brightness;
  RgbColor hue;
};
constexpr RgbColor kWhite{255, 255, 255};
constexpr std::array<Swatch, kSwatchCount> kSwatches = {{
    {0, kWhite},
    {64, kWhite},
    {128, kWhite},
    {192, kWhite},
    {255, kWhite},
    {255, {255, 0, 0}},
    {255, {0, 255, 0}},
    {255, {0, 0, 255}},
    {255, {0, 255, 255}},
    {255, {255, 0, 255}},
    {255, {255, 255, 0}},
}};

int32_t Clamp255(int32_t v) { return std::clamp(v, 0, 255); }

bool InBox(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return x >= left && x <= right && y >= top && y <= bottom;
}

void RecomputeCurrent(PickerState* state) {
  state->current.red = state->hue.red * state->brightness / 255;
  state->current.green = state->hue.green * state->brightness / 255;
  state->current.blue = state->hue.blue * state->brightness / 255;
}

QColor ToQColor(const RgbColor& c) { return QColor(Clamp255(c.red), Clamp255(c.green), Clamp255(c.blue)); }

}  // namespace

int32_t HexLookup(const HexTable& table, int32_t i) {
  return table[static_cast<size_t>(std::clamp(i, -255, 255) + 255)];
}

bool HexPointColor(double x, double y, RgbColor* color) {
  const double ax = std::fabs(x);
  const double ay = std::fabs(y);
  if (!(ax <= kHexHalfWidth && ay <= 255.0)) return false;
  if (!(ay <= 127.5 || ax <= (255.0 - ay) * kRoot3)) return false;

  const int32_t xi = static_cast<int32_t>(Nearest(x));
  const int32_t u = -static_cast<int32_t>(Nearest(y));
  int32_t red = 255;
  int32_t green = 255;
  int32_t blue = 255;
  if (xi == 0) {
    if (u < 0) {
      red = std::max(u, -255) + 255;
    } else if (u > 0) {
      green = blue = 255 - std::min(u, 255);
    }
  } else {
    const int32_t t = HexLookup(HexTwoByRoot3, xi);
    const int32_t h = t >> 1;  // halved rounding down, also for negative t
    if (xi > 0 && u > h) {
      const int32_t v = u > 255 - h ? 255 - h : u;
      green = h - v + 255;
      blue = 255 - h - v;
    } else if (xi > 0) {
      const int32_t v = (u < -h && u < h - 255) ? h - 255 : u;
      blue = 255 - t;
      red = (511 - t) / 2 + v;
    } else if (u > -h) {
      const int32_t v = u > h + 255 ? h + 255 : u;
      green = h - v + 255;
      blue = 255 - h - v;
    } else {
      const int32_t v = (u < h && u < -255 - h) ? -255 - h : u;
      green = t + 255;
      red = (t + 511) / 2 + v;
    }
  }
  *color = RgbColor{Clamp255(red), Clamp255(green), Clamp255(blue)};
  return true;
}

void HuePosition(const RgbColor& hue, int32_t* x, int32_t* y) {
  *x = HexLookup(HexHalfRoot3, hue.green - hue.blue);
  *y = (hue.green + hue.blue + 1) / 2 - hue.red;
}

void HueMarkerCentre(const RgbColor& hue, int32_t* mx, int32_t* my) {
  int32_t x = 0;
  int32_t y = 0;
  HuePosition(hue, &x, &y);
  *mx = (x + 255) * 128 / 255 + kHexLeft;
  *my = (y + 255) * 128 / 255 + kHexTop;
}

uint32_t PackColor(const RgbColor& color) {
  return static_cast<uint32_t>(Clamp255(color.red)) + 256u * static_cast<uint32_t>(Clamp255(color.green)) +
         65536u * static_cast<uint32_t>(Clamp255(color.blue));
}

RgbColor UnpackColor(uint32_t packed) {
  return RgbColor{static_cast<int32_t>(packed & 0xFF), static_cast<int32_t>((packed >> 8) & 0xFF),
                  static_cast<int32_t>((packed >> 16) & 0xFF)};
}

PickerState InitPickerState(uint32_t id, const RgbColor& color) {
  PickerState state;
  state.id = id;
  // Colours read from design files may be out of range; the picker only
  // ever works on 0..255.
  state.current = RgbColor{Clamp255(color.red), Clamp255(color.green), Clamp255(color.blue)};
  state.brightness = std::max({state.current.red, state.current.green, state.current.blue});
  if (state.brightness == 0) {
    state.hue = kWhite;
  } else {
    state.hue.red = state.current.red * 255 / state.brightness;
    state.hue.green = state.current.green * 255 / state.brightness;
    state.hue.blue = state.current.blue * 255 / state.brightness;
  }
  return state;
}

bool PickerPress(PickerState* state, int32_t mx, int32_t my) {
  for (int k = 0; k < kSwatchCount; ++k) {
    const int32_t left = kSwatchLeft + kSwatchWidth * k;
    if (InBox(mx, my, left, kSwatchTop, left + kSwatchWidth, kSwatchBottom)) {
      state->brightness = kSwatches[k].brightness;
      state->hue = kSwatches[k].hue;
      RecomputeCurrent(state);
      return true;
    }
  }
  if (InBox(mx, my, 4, 4, 261, 261)) {
    state->dragMode = 1;
  } else if (InBox(mx, my, 266, 4, 288, 260)) {
    state->dragMode = 2;
  } else {
    state->dragMode = 0;
  }
  PickerMove(state, mx, my);
  return false;
}

void PickerMove(PickerState* state, int32_t mx, int32_t my) {
  switch (state->dragMode) {
    case 1: {
      const int32_t x = (mx - kHexLeft) * 255 / 128 - 255;
      const int32_t y = (my - kHexTop) * 255 / 128 - 255;
      RgbColor hue;
      if (!HexPointColor(x, y, &hue)) return;  // outside: the last inside colour stays
      state->cursor = PickerCursor::Arrow;
      state->hue = hue;
      RecomputeCurrent(state);
      return;
    }
    case 2:
      state->cursor = PickerCursor::VerticalResize;
      state->brightness = std::clamp(260 - my, 0, 255);
      RecomputeCurrent(state);
      return;
    default:
      state->cursor = InBox(mx, my, 262, 4, 284, 260) ? PickerCursor::VerticalResize : PickerCursor::Arrow;
      return;
  }
}

bool PickerRelease(PickerState* state) {
  if (state->dragMode == 0) return false;
  state->dragMode = 0;
  state->cursor = PickerCursor::Arrow;
  return true;
}

int BuildHexImage(Image* image) {
  if (AllocImage(image, Rgb8, 257, 257, 100.0) != 0) return 1;
  for (int v = 0; v <= 256; ++v) {
    uint8_t* row = image->rows[256 - v];
    const int32_t y = v * 510 / 256 - 255;
    for (int c = 0; c <= 256; ++c) {
      const int32_t x = c * 510 / 256 - 255;
      RgbColor color{192, 192, 192};
      HexPointColor(x, y, &color);
      row[3 * c] = static_cast<uint8_t>(color.blue);
      row[3 * c + 1] = static_cast<uint8_t>(color.green);
      row[3 * c + 2] = static_cast<uint8_t>(color.red);
    }
  }
  return 0;
}

int BuildBarImage(const RgbColor& hue, Image* image) {
  if (image->type != Rgb8 || image->width != 16 || image->height != 256) {
    if (AllocImage(image, Rgb8, 16, 256, 0.0) != 0) return 1;
  }
  const int32_t red = Clamp255(hue.red);
  const int32_t green = Clamp255(hue.green);
  const int32_t blue = Clamp255(hue.blue);
  for (int r = 0; r < 256; ++r) {
    uint8_t* row = image->rows[r];
    const auto b = static_cast<uint8_t>(blue * r / 255);
    const auto g = static_cast<uint8_t>(green * r / 255);
    const auto red8 = static_cast<uint8_t>(red * r / 255);
    for (int c = 0; c < 16; ++c) {
      row[3 * c] = b;
      row[3 * c + 1] = g;
      row[3 * c + 2] = red8;
    }
  }
  return 0;
}

ColorPicker::ColorPicker(QWidget* owner, QPoint position, const QString& title, uint32_t id,
                         const RgbColor& color)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      state_(InitPickerState(id, color)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(title);
  setFixedSize(kPickerClientWidth, kPickerClientHeight);
  setMouseTracking(true);
  setAutoFillBackground(false);
  setCursor(Qt::ArrowCursor);
  // The field never changes, so it is built once rather than at every paint.
  if (BuildHexImage(&hexImage_) != 0) FreeImage(&hexImage_);
  BuildBarImage(state_.hue, &barImage_);
  move(position);
  show();
}

ColorPicker::~ColorPicker() {
  emit PickerClosed(state_.id, 0);
  FreeImage(&hexImage_);
  FreeImage(&barImage_);
}

void ColorPicker::ShowCursor() {
  setCursor(state_.cursor == PickerCursor::VerticalResize ? Qt::SizeVerCursor : Qt::ArrowCursor);
}

void ColorPicker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kLightGray);

  // Swatches in their frame.
  painter.fillRect(QRect(QPoint(148, 270), QPoint(283, 306)), Qt::white);
  painter.fillRect(QRect(QPoint(149, 271), QPoint(282, 305)), Qt::black);
  for (int k = 1; k < kSwatchCount; ++k) {
    RgbColor c = kSwatches[k].hue;
    c.red = c.red * kSwatches[k].brightness / 255;
    c.green = c.green * kSwatches[k].brightness / 255;
    c.blue = c.blue * kSwatches[k].brightness / 255;
    const int left = kSwatchLeft + kSwatchWidth * k;
    painter.fillRect(QRect(left, kSwatchTop, kSwatchWidth, kSwatchBottom - kSwatchTop), ToQColor(c));
  }

  // The current colour on black, gray and white.
  painter.fillRect(QRect(QPoint(4, 264), QPoint(132, 312)), kDarkGray);
  const std::array<QColor, 3> surrounds = {QColor(Qt::black), kGray, QColor(Qt::white)};
  const int32_t largest = std::max({state_.current.red, state_.current.green, state_.current.blue});
  painter.setPen(QPen(largest < 128 ? Qt::white : Qt::black, 1));
  painter.setBrush(ToQColor(state_.current));
  for (int i = 0; i < 3; ++i) {
    const int left = 12 + 40 * i;
    painter.fillRect(QRect(QPoint(left, 272), QPoint(left + 32, 304)), surrounds[i]);
    painter.drawRect(QRect(QPoint(left + 4, 276), QPoint(left + 28, 300)));
  }
  painter.setBrush(Qt::NoBrush);

  if (hexImage_.rows != nullptr) BlitImage(&painter, hexImage_, kHexLeft, kHexTop);

  // Markers are drawn by XOR so that they stay visible on any colour.
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(QPen(kGray, 1));
  int32_t mx = 0;
  int32_t my = 0;
  HueMarkerCentre(state_.hue, &mx, &my);
  painter.drawEllipse(QRect(QPoint(mx - 3, my - 3), QPoint(mx + 3, my + 3)));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

  painter.fillRect(QRect(QPoint(263, 0), QPoint(288, 264)), kGray);
  if (barImage_.rows != nullptr) BlitImage(&painter, barImage_, kBarLeft, kBarTop);
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(QPen(kGray, 1));
  const int y = 260 - state_.brightness;
  painter.drawPolygon(QPolygon({QPoint(267, y), QPoint(264, y - 3), QPoint(264, y + 3)}));
  painter.drawPolygon(QPolygon({QPoint(285, y), QPoint(288, y - 3), QPoint(288, y + 3)}));
}

void ColorPicker::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  const RgbColor hue = state_.hue;
  const bool report = PickerPress(&state_, p.x(), p.y());
  if (!(state_.hue == hue)) BuildBarImage(state_.hue, &barImage_);
  ShowCursor();
  update();
  // Qt grabs the mouse for the widget while a button is held.
  if (report) emit PickerColorChanged(state_.id, PackColor(state_.current));
}

void ColorPicker::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  const RgbColor hue = state_.hue;
  const int32_t brightness = state_.brightness;
  PickerMove(&state_, p.x(), p.y());
  ShowCursor();
  if (!(state_.hue == hue)) BuildBarImage(state_.hue, &barImage_);
  if (!(state_.hue == hue) || state_.brightness != brightness) update();
}

void ColorPicker::mouseReleaseEvent(QMouseEvent*) {
  const bool report = PickerRelease(&state_);
  ShowCursor();
  if (report) emit PickerColorChanged(state_.id, PackColor(state_.current));
}
