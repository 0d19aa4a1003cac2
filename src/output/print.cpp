#include "output/print.h"

#include <QDate>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "core/hooks.h"
#include "core/numeric.h"
#include "output/output_interaction.h"
#include "output/output_source.h"
#include "output/page.h"
#include "output/specifications.h"

namespace {

void DrawBands(QPainter* painter, const Image& image, QImage::Format format, int x, int y, int w, int h) {
  for (const PrintBand& band : PrintBands(image, y, h)) {
    const QImage chunk(image.rows[band.firstRow], image.width, band.rows, image.rowBytes, format);
    // The chunk's first row is its lowest on the page: draw it flipped.
    painter->save();
    painter->translate(x, band.y + band.height);
    painter->scale(1.0, -1.0);
    painter->drawImage(QRectF(0, 0, w, band.height), chunk, QRectF(0, 0, image.width, band.rows));
    painter->restore();
  }
}

// Copies a printer cannot make itself (a PDF file, for one) are drawn here;
// the others it makes from one, collated as the user chose.
int DrawnCopies(const QPrinter& printer) {
  return printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
}

}  // namespace

QFont SpecificationsFont(int lineHeight, QPaintDevice* device) {
  // A pixel size sets the em, not the full height with ascent and descent;
  // scaled by their ratio, as a point size (which may be fractional), the
  // full height fills the line. The metrics are rounded at each size, so the
  // ratio is taken a second time.
  lineHeight = std::max(1, lineHeight);
  QFont font(QStringLiteral("Arial"));
  font.setWeight(QFont::Normal);
  font.setPixelSize(lineHeight);
  const int dpi = device != nullptr ? device->logicalDpiY() : 0;
  double points = lineHeight * 72.0 / std::max(1, dpi);
  for (int round = 0; round < 2 && dpi > 0; ++round) {
    const double full = QFontMetricsF(font, device).height();
    if (!(full > 0.0)) break;
    points *= lineHeight / full;
    font.setPointSizeF(points);
  }
  return font;
}

void DrawImageRgb(QPainter* painter, const Image& image, int x, int y, int w, int h) {
  if (image.type == Rgb8) DrawBands(painter, image, QImage::Format_BGR888, x, y, w, h);
}

void DrawImageGray(QPainter* painter, const Image& image, int x, int y, int w, int h) {
  if (image.type == Gray8) DrawBands(painter, image, QImage::Format_Grayscale8, x, y, w, h);
}

void PrintDesignOn(const OutputSource& source, QPrinter* printer) {
  printer->setDocName(QStringLiteral("Passavue"));
  const QRect printable = printer->pageLayout().paintRectPixels(printer->resolution());
  const double widthInches = static_cast<double>(printable.width()) / printer->logicalDpiX();
  const double heightInches = static_cast<double>(printable.height()) / printer->logicalDpiY();

  const BusyScope busy;
  RenderState render;
  RenderDesignCopy(source.scene, source.assets, Nearest(widthInches * 300.0), Nearest(heightInches * 300.0),
                   &render);

  QPainter painter;
  if (painter.begin(printer)) {
    // Drawn in printer pixels from the printable area's corner.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    Image gray;
    if (printer->colorMode() == QPrinter::GrayScale) ConvertRgb8ToGray8(render.composite, &gray);
    for (int copy = 0, copies = DrawnCopies(*printer); copy < copies; ++copy) {
      if (copy > 0) printer->newPage();
      if (gray.type != 0) {
        DrawImageGray(&painter, gray, 0, 0, printable.width(), printable.height());
      } else {
        DrawImageRgb(&painter, render.composite, 0, 0, printable.width(), printable.height());
      }
    }
    painter.end();
  }
}

void PrintDesign(const OutputSource& source, OutputInteraction* output,
                 const std::function<void()>& repaint) {
  QPrinter printer(QPrinter::HighResolution);
  if (!output->AskPrinter(&printer)) return;
  PrintDesignOn(source, &printer);
  if (repaint) repaint();
}

void PrintSpecificationsOn(const OutputSource& source, QPrinter* printer) {
  printer->setDocName(QStringLiteral("Passavue Settings"));
  const QRect printable = printer->pageLayout().paintRectPixels(printer->resolution());
  const PageLayout layout =
      SpecificationsLayout(printer->logicalDpiX(), printer->logicalDpiY(), printable.height());
  const std::string date =
      QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat).toStdString();
  const auto pages = PaginateLines(SpecificationPage(source.scene, source.persistent.units, date), layout);

  QPainter painter;
  if (!painter.begin(printer)) return;
  painter.setFont(SpecificationsFont(layout.lineHeight, printer));
  const int ascent = painter.fontMetrics().ascent();
  // Collated: the whole set once per copy; otherwise each page that often.
  const size_t copies = static_cast<size_t>(DrawnCopies(*printer));
  const bool collate = printer->collateCopies();
  for (size_t sheet = 0; sheet < copies * pages.size(); ++sheet) {
    if (sheet > 0) printer->newPage();
    const size_t page = collate ? sheet % pages.size() : sheet / copies;
    for (const PrintedLine& line : pages[page]) {
      painter.drawText(line.x, line.y + ascent, QString::fromStdString(line.text));
    }
  }
  painter.end();
}

void PrintSpecifications(const OutputSource& source, OutputInteraction* output) {
  QPrinter printer(QPrinter::HighResolution);
  if (!output->AskPrinter(&printer)) return;
  PrintSpecificationsOn(source, &printer);
}
