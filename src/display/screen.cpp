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
  const double widthInches = g.compositeWidth / g.pixelsPerInch;
  const double heightInches = g.compositeHeight / g.pixelsPerInch;
  const std::vector<RulerTick> across = RulerTicks(g.clientWidth, widthInches, g.units);
  const std::vector<RulerTick> down = RulerTicks(g.clientHeight, heightInches, g.units);

  // A label starts a few pixels clear of the longest tick, or it would read
  // as a minus sign; the left strip is as wide as its widest label.
  constexpr int kLongTick = 6;
  constexpr int kGap = 3;      // below a tick of the top ruler
  constexpr int kSideGap = 6;  // beside a tick of the left ruler, level with it
  int widest = metrics.horizontalAdvance(QStringLiteral("999"));
  for (const RulerTick& tick : down) {
    if (!tick.label.empty())
      widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(tick.label)));
  }
  const int stripHeight = kLongTick + kGap + textHeight + 2;
  const int stripWidth = kLongTick + kSideGap + widest + 2;
  painter->fillRect(QRect(0, 0, g.clientWidth, stripHeight), Qt::white);
  painter->fillRect(QRect(0, 0, stripWidth, g.clientHeight), Qt::white);
  // A whole number of device pixels wide, so that ticks stay crisp rather
  // than alternating between one and two pixels at fractional scales.
  QPen pen(grey);
  pen.setCosmetic(true);
  pen.setWidthF(std::max(1.0, std::round(painter->device()->devicePixelRatioF())));
  painter->setPen(pen);

  // Each label is kept inside its strip and drawn only where it clears the
  // last one drawn; its tick is drawn either way.
  int clearFrom = 0;
  for (const RulerTick& tick : across) {
    painter->drawLine(tick.position, tick.length, tick.position, 0);
    if (tick.label.empty()) continue;
    const QString label = QString::fromStdString(tick.label);
    const int width = metrics.horizontalAdvance(label);
    const int x = std::max(0, std::min(tick.position - width / 2, g.clientWidth - width));
    if (x < clearFrom) continue;
    painter->drawText(x, kLongTick + kGap + metrics.ascent(), label);
    clearFrom = x + width + kGap;
  }
  clearFrom = stripHeight;  // below the top strip
  for (const RulerTick& tick : down) {
    painter->drawLine(tick.length, tick.position, 0, tick.position);
    if (tick.label.empty()) continue;
    const int y = std::min(tick.position - textHeight / 2, g.clientHeight - textHeight);
    if (y < clearFrom) continue;
    painter->drawText(kLongTick + kSideGap, y + metrics.ascent(), QString::fromStdString(tick.label));
    clearFrom = y + textHeight;
  }
  painter->restore();
}
