#include "display/screen.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

#include "core/numeric.h"

void BlitImage(QPainter* painter, const Image& image, int x, int y) {
  if (image.type != Rgb8 || image.rows == nullptr || image.height <= 0 || image.rowsPerChunk <= 0) return;
  const int height = image.height;
  for (int r = 0; r < height; r += image.rowsPerChunk) {
    const int bandRows = std::min(image.rowsPerChunk, height - r);
    // The rows of a band lie contiguously in one chunk, bottom row first.
    const QImage band(image.rows[r], image.width, bandRows, image.rowBytes, QImage::Format_BGR888);
    // Flip so that image row r lands on device row y + height - 1 - r.
    painter->save();
    painter->translate(x, y + height - r);
    painter->scale(1.0, -1.0);
    painter->drawImage(0, 0, band);
    painter->restore();
  }
}

void BlitImageDevicePixels(QPainter* painter, const Image& image, int x, int y) {
  if (image.type != Rgb8 || image.rows == nullptr || image.height <= 0 || image.rowsPerChunk <= 0) return;
  // One band at a time in the screen's own pixel format, top row first: the
  // painter then only copies rows.
  QImage band(image.width, std::min(image.rowsPerChunk, image.height), QImage::Format_RGB32);
  if (band.isNull()) return;  // no memory for a band: nothing is drawn
  // Scaling each band by a fractional factor would sample it on its own and
  // leave device rows uncovered where bands meet; drawn in device pixels
  // with a whole-pixel offset, nothing is resampled at all.
  const QTransform toDevice = painter->deviceTransform();
  const QPointF corner = toDevice.map(painter->combinedTransform().map(QPointF(x, y)));
  painter->save();
  painter->setWorldTransform(QTransform::fromTranslate(std::round(corner.x()), std::round(corner.y())) *
                             toDevice.inverted());
  const int height = image.height;
  for (int r = 0; r < height; r += image.rowsPerChunk) {
    const int bandRows = std::min(image.rowsPerChunk, height - r);
    for (int i = 0; i < bandRows; ++i) {
      const uint8_t* source = image.rows[r + i];
      auto* line = reinterpret_cast<uint32_t*>(band.scanLine(bandRows - 1 - i));
      for (int c = 0; c < image.width; ++c, source += 3) {
        line[c] = 0xff000000u | (uint32_t{source[2]} << 16) | (uint32_t{source[1]} << 8) | source[0];
      }
    }
    // Image row r lands on device row height - 1 - r below the corner.
    painter->drawImage(QPoint(0, height - r - bandRows), band, QRect(0, 0, image.width, bandRows));
  }
  painter->restore();
}

namespace {

constexpr double kTickSpacing[3] = {0.25, 0.19685000620077518, 0.19685000620077518};
constexpr int kLabelStep[3] = {1, 20, 2};

}  // namespace

std::vector<RulerTick> RulerTicks(int clientLength, double lengthInches, int units) {
  std::vector<RulerTick> ticks;
  if (clientLength <= 0 || !(lengthInches > 0.0) || !std::isfinite(lengthInches)) return ticks;
  if (units < 0 || units > 2) units = 0;
  const double spacing = kTickSpacing[units];
  const double pixelsPerTick = (clientLength - 1) * spacing / lengthInches;
  for (int i = 0; i * spacing <= lengthInches; ++i) {
    RulerTick tick;
    tick.position = Nearest(i * pixelsPerTick);
    tick.length = (i % 4 == 0) ? 6 : 3;
    if (i % 4 == 0 && i > 0) tick.label = std::to_string(i / 4 * kLabelStep[units]);
    ticks.push_back(std::move(tick));
  }
  return ticks;
}

void DrawRulers(QPainter* painter, const QFont& font, const RulerGeometry& g) {
  if (g.compositeWidth <= 0 || g.compositeHeight <= 0 || !(g.pixelsPerInch > 0.0)) return;
  const QColor grey(128, 128, 128);
  painter->save();
  painter->setFont(font);
  const QFontMetrics metrics(font);
  const int textHeight = metrics.height();
  const int left = 0;
  const int top = 0;
  painter->fillRect(QRect(left, top, g.clientWidth, textHeight + 8), Qt::white);
  painter->fillRect(QRect(left, top, metrics.horizontalAdvance(QStringLiteral("999")) + 8, g.clientHeight),
                    Qt::white);
  // A whole number of device pixels wide, so that ticks stay crisp rather
  // than alternating between one and two pixels at fractional scales.
  QPen pen(grey);
  pen.setCosmetic(true);
  pen.setWidthF(std::max(1.0, std::round(painter->device()->devicePixelRatioF())));
  painter->setPen(pen);

  const double widthInches = g.compositeWidth / g.pixelsPerInch;
  const double heightInches = g.compositeHeight / g.pixelsPerInch;
  for (const RulerTick& tick : RulerTicks(g.clientWidth, widthInches, g.units)) {
    const int x = tick.position + left;
    painter->drawLine(x, top + tick.length, x, top);
    if (!tick.label.empty()) {
      const QString label = QString::fromStdString(tick.label);
      painter->drawText(x - metrics.horizontalAdvance(label) / 2, top + 6 + metrics.ascent(), label);
    }
  }
  for (const RulerTick& tick : RulerTicks(g.clientHeight, heightInches, g.units)) {
    const int y = tick.position + top;
    painter->drawLine(left + tick.length, y, left, y);
    if (!tick.label.empty()) {
      painter->drawText(left + 6, y - textHeight / 2 + metrics.ascent(), QString::fromStdString(tick.label));
    }
  }
  painter->restore();
}
