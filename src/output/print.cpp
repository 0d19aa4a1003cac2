#include "output/print.h"

#include <QDate>
#include <QFont>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

#include "core/app_state.h"
#include "core/hooks.h"
#include "core/numeric.h"
#include "output/output_interaction.h"
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

}  // namespace

void DrawImageRgb(QPainter* painter, const Image& image, int x, int y, int w, int h) {
  if (image.type == Rgb8) DrawBands(painter, image, QImage::Format_BGR888, x, y, w, h);
}

void DrawImageGray(QPainter* painter, const Image& image, int x, int y, int w, int h) {
  if (image.type == Gray8) DrawBands(painter, image, QImage::Format_Grayscale8, x, y, w, h);
}

void PrintDesignOn(AppState* state, QPrinter* printer) {
  printer->setDocName(QStringLiteral("Passavue"));
  printer->setCopyCount(1);
  const QRect printable = printer->pageLayout().paintRectPixels(printer->resolution());
  const double widthInches = static_cast<double>(printable.width()) / printer->logicalDpiX();
  const double heightInches = static_cast<double>(printable.height()) / printer->logicalDpiY();

  const BusyScope busy;
  RenderState render;
  RenderDesignInto(*state, Nearest(widthInches * 300.0), Nearest(heightInches * 300.0), &render);

  QPainter painter;
  if (painter.begin(printer)) {
    // Drawn in printer pixels from the printable area's corner.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (printer->colorMode() == QPrinter::GrayScale) {
      Image gray;
      ConvertRgb8ToGray8(render.composite, &gray);
      DrawImageGray(&painter, gray, 0, 0, printable.width(), printable.height());
    } else {
      DrawImageRgb(&painter, render.composite, 0, 0, printable.width(), printable.height());
    }
    painter.end();
  }
}

void PrintDesign(AppState* state, OutputInteraction* output, const std::function<void()>& repaint) {
  QPrinter printer(QPrinter::HighResolution);
  if (!output->AskPrinter(&printer)) return;
  PrintDesignOn(state, &printer);
  if (repaint) repaint();
}

void PrintSpecificationsOn(AppState* state, QPrinter* printer) {
  printer->setDocName(QStringLiteral("Passavue Settings"));
  printer->setCopyCount(1);
  const QRect printable = printer->pageLayout().paintRectPixels(printer->resolution());
  const PageLayout layout = SpecificationsLayout(printer->logicalDpiX(), printer->logicalDpiY(), printable.height());
  const std::string date = QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat).toStdString();
  const auto pages = PaginateLines(SpecificationLines(state->scene, state->persistent.units, date), layout);

  QPainter painter;
  if (!painter.begin(printer)) return;
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(std::max(1, layout.lineHeight));
  font.setWeight(QFont::Normal);
  painter.setFont(font);
  const int ascent = painter.fontMetrics().ascent();
  for (size_t page = 0; page < pages.size(); ++page) {
    if (page > 0) printer->newPage();
    for (const PrintedLine& line : pages[page]) {
      painter.drawText(line.x, line.y + ascent, QString::fromStdString(line.text));
    }
  }
  painter.end();
}

void PrintSpecifications(AppState* state, OutputInteraction* output) {
  QPrinter printer(QPrinter::HighResolution);
  if (!output->AskPrinter(&printer)) return;
  PrintSpecificationsOn(state, &printer);
}
