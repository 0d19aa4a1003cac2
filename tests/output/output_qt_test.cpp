// Export and printing driven without a person; printing goes to PDF files,
// which poppler's pdftoppm turns back into pixels.
#include <QImage>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <memory>

#include "core/app_state.h"
#include "core/hooks.h"
#include "files/tiff.h"
#include "output/export_tiff.h"
#include "output/print.h"
#include "output/qt_output_interaction.h"
#include "render/render.h"
#include "support/scripted.h"

namespace {

class ScriptedOutput : public OutputInteraction {
 public:
  std::deque<std::pair<int, int>> sizes;  // {0, 0} cancels
  std::vector<std::pair<int, int>> offered;
  bool AskExportSize(int* width, int* height) override {
    offered.emplace_back(*width, *height);
    if (sizes.empty() || sizes.front().first == 0) {
      if (!sizes.empty()) sizes.pop_front();
      return false;
    }
    *width = sizes.front().first;
    *height = sizes.front().second;
    sizes.pop_front();
    return true;
  }
  bool AskPrinter(QPrinter*) override { return false; }
};

struct Design {
  std::unique_ptr<AppState> state = std::make_unique<AppState>();
  Design() {
    InitScene(&state->scene, &state->render);
    state->render.requestedWidth = 400;
    state->render.requestedHeight = 300;
    RenderDesign(state.get());
  }
};

int PdfPages(const QString& pdf) {
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {pdf});
  info.waitForFinished();
  for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split('\n')) {
    if (line.startsWith(QStringLiteral("Pages:"))) return line.mid(6).trimmed().toInt();
  }
  return -1;
}

QImage Rasterise(const QString& pdf, int dpi) {
  QProcess process;
  const QString prefix = pdf + QStringLiteral("-page");
  process.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                             QStringLiteral("-singlefile"), pdf, prefix});
  process.waitForFinished(60000);
  return QImage(prefix + QStringLiteral(".png"));
}

void SetUpPdf(QPrinter* printer, const QString& path, double widthInches, double heightInches) {
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(path);
  printer->setResolution(300);
  printer->setPageLayout(QPageLayout(QPageSize(QSizeF(widthInches, heightInches), QPageSize::Inch),
                                     QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
}

}  // namespace

class OutputTest : public QObject {
  Q_OBJECT

 private slots:
  void exportNameAndSizeRules() {
    QTemporaryDir folder;
    Design design;
    ScriptedInteraction interaction;
    ScriptedOutput output;
    const std::string base = folder.path().toStdString();
    QDir(folder.path()).mkdir(QStringLiteral("my.folder"));
    // A wrong ending reopens the file dialog; a cancelled size does too.
    interaction.saveAnswers = {base + "/photo.jpg", base + "/first", base + "/my.folder/photo"};
    output.sizes = {{0, 0}, {640, 480}};
    int repaints = 0;
    ExportTiff(design.state.get(), &interaction, &output, [&repaints]() { ++repaints; });
    QCOMPARE(interaction.errors, std::vector<std::string>{"TIFF files must have an extension of .tif or .tiff"});
    QCOMPARE(interaction.saveRequests.size(), size_t{3});
    QCOMPARE(interaction.saveRequests[0].title + "|" + interaction.saveRequests[0].pattern,
             std::string("Export TIFF file|*.tif"));
    QVERIFY(!QFile::exists(QString::fromStdString(base + "/first.tif")));  // its size was cancelled
    QCOMPARE(std::tuple(output.offered[0], repaints), std::tuple(std::make_pair(1024, 1024), 1));

    // The file holds the composite at the export size; the window's size is back.
    FileHandle file;
    QCOMPARE(OpenForRead(base + "/my.folder/photo.tif", &file), 0);
    Image written;
    IccProfile profile;
    QCOMPARE(ReadTiff(file, &written, &profile), 0);
    CloseFile(file);
    const AppState& s = *design.state;
    QCOMPARE(std::tuple(written.width, written.height, s.render.composite.width, s.render.requestedHeight,
                        s.persistent.lastExportWidth),
             std::tuple(640, 480, 400, 300, 640));
    QCOMPARE(s.persistent.lastSaveFolder, base + "/my.folder");

    // The next export starts in that folder from that size; ".TIFF" is kept.
    interaction.saveAnswers = {base + "/again.TIFF"};
    output.sizes = {{2, 20000}};
    ExportTiff(design.state.get(), &interaction, &output, nullptr);
    QCOMPARE(interaction.saveRequests.back().folder, base + "/my.folder");
    QCOMPARE(output.offered.back(), std::make_pair(640, 480));
    QVERIFY(QFile::exists(QString::fromStdString(base + "/again.TIFF")));

    // Cancelling the file dialog ends the command without a file.
    ExportTiff(design.state.get(), &interaction, &output, nullptr);
    interaction.saveAnswers = {base + "/no/such/folder/x.tif"};
    output.sizes = {{10, 10}};
    ExportTiff(design.state.get(), &interaction, &output, nullptr);
    QCOMPARE(interaction.errors.back(), "Cannot create file: " + base + "/no/such/folder/x.tif");
  }

  void exportSizeDialogChecksWidthFirst() {
    std::string message;
    int width = 0, height = 0;
    QCOMPARE(CheckExportSize("2", "20000", &width, &height, &message), 0);
    QCOMPARE(std::tuple(width, height), std::tuple(2, 20000));
    // The width is checked first.
    for (auto [w, h, expected] : {std::tuple{"1", "100", "width"}, {"20001", "100", "width"}, {"12a", "100", "width"},
                                  {"", "100", "width"}, {"x", "y", "width"}, {"100", "0", "height"}}) {
      QCOMPARE(CheckExportSize(w, h, &width, &height, &message), 1);
      QCOMPARE(message, std::string("Illegal image ") + expected + " value");
    }

    ScriptedInteraction interaction;
    ExportSizeDialog dialog(1024, 768, &interaction, nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("File Export"));
    QCOMPARE(dialog.widthField()->text() + "x" + dialog.heightField()->text(), QStringLiteral("1024x768"));
    dialog.show();
    dialog.widthField()->setText(QStringLiteral("12a"));
    dialog.accept();
    QVERIFY(dialog.isVisible());  // stays open with its message
    QCOMPARE(interaction.errors, std::vector<std::string>{"Illegal image width value"});
    dialog.widthField()->setText(QStringLiteral("300"));
    dialog.accept();
    QCOMPARE(std::tuple(dialog.result(), dialog.acceptedWidth()), std::tuple(int(QDialog::Accepted), 300));
  }

  void printFillsThePageAtThreeHundredPixelsPerInch() {
    QTemporaryDir folder;
    Design design;
    const QString pdf = folder.filePath(QStringLiteral("design.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdf(&printer, pdf, 4.0, 3.0);
    const double windowScale = design.state->render.pixelsPerInch;
    PrintDesignOn(design.state.get(), &printer);
    QCOMPARE(PdfPages(pdf), 1);
    // Back at the window's size afterwards.
    QCOMPARE(std::tuple(design.state->render.composite.width, design.state->render.pixelsPerInch, windowScale),
             std::tuple(400, windowScale, 300 / (14.0 * 1.2)));

    // The page shows the rendering at 1200 x 900: compare a few points with
    // a rendering made at that size.
    Design reference;
    reference.state->render.requestedWidth = 1200;
    reference.state->render.requestedHeight = 900;
    RenderDesign(reference.state.get());
    const QImage page = Rasterise(pdf, 300);
    QCOMPARE(page.size(), QSize(1200, 900));
    const Image& composite = reference.state->render.composite;
    for (const QPoint point : {QPoint(20, 20), QPoint(600, 450), QPoint(300, 200), QPoint(1100, 850)}) {
      const uint8_t* pixel = composite.rows[899 - point.y()] + 3 * point.x();
      const QRgb printed = page.pixel(point);
      QVERIFY2(std::abs(qRed(printed) - pixel[2]) <= 8 && std::abs(qGreen(printed) - pixel[1]) <= 8 &&
                   std::abs(qBlue(printed) - pixel[0]) <= 8,
               qPrintable(QStringLiteral("at %1,%2").arg(point.x()).arg(point.y())));
    }

    // A printer without colour gets the gray version.
    const QString grayPdf = folder.filePath(QStringLiteral("gray.pdf"));
    QPrinter grayPrinter(QPrinter::HighResolution);
    SetUpPdf(&grayPrinter, grayPdf, 4.0, 3.0);
    grayPrinter.setColorMode(QPrinter::GrayScale);
    PrintDesignOn(design.state.get(), &grayPrinter);
    const QImage grayPage = Rasterise(grayPdf, 100);
    QVERIFY(!grayPage.isNull());
    const QRgb wall = grayPage.pixel(5, 5);
    QCOMPARE(std::tuple(qRed(wall), qGreen(wall)), std::tuple(qGreen(wall), qBlue(wall)));
  }

  void specificationsBreakOntoASecondPage() {
    QTemporaryDir folder;
    Design design;
    const QString pdf = folder.filePath(QStringLiteral("specs.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdf(&printer, pdf, 8.5, 3.0);  // a short page: 3 inches hold 12 lines
    PrintSpecificationsOn(design.state.get(), &printer);
    QCOMPARE(PdfPages(pdf), 3);  // 26 lines at 12 a page

    SetUpPdf(&printer, pdf, 8.5, 11.0);
    PrintSpecificationsOn(design.state.get(), &printer);
    QCOMPARE(PdfPages(pdf), 1);
  }
};

QTEST_MAIN(OutputTest)
#include "output_qt_test.moc"
