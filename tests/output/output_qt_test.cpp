// Export and printing driven without a person; printing goes to PDF files,
// which poppler's pdftoppm turns back into pixels.
#include <sys/resource.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cerrno>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/hooks.h"
#include "files/tiff.h"
#include "output/export_size.h"
#include "output/export_tiff.h"
#include "output/print.h"
#include "output/qt_output_interaction.h"
#include "render/render.h"
#include "shell/app_state.h"
#include "shell/qt_interaction.h"
#include "support/files.h"
#include "support/modal_driver.h"
#include "support/pictures.h"
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

  // The progress window's calls, in order: "begin <label>", each percentage, "end".
  std::vector<std::string> progress;
  std::function<void(int percent)> onProgress;
  void BeginProgress(const std::string& label) override { progress.push_back("begin " + label); }
  void ShowProgress(int percent) override {
    progress.push_back(std::to_string(percent));
    if (onProgress) onProgress(percent);
  }
  void EndProgress() override { progress.push_back("end"); }
};

struct Design {
  std::unique_ptr<AppState> state = std::make_unique<AppState>();
  SceneSettings scene;
  Design() {
    InitScene(&scene);
    ComputeOverallSize(&scene);
    state->viewWidth = 400;
    state->viewHeight = 300;
    RenderDesign(state.get(), scene);
  }
};

// The pixels of a TIFF file; none when it cannot be read.
Image ReadTiffFile(const std::string& path) {
  Image image;
  IccProfile profile;
  FileHandle file;
  if (OpenForRead(path, &file) == 0) {
    if (ReadTiff(file, &image, &profile) != 0) image = Image();
    CloseFile(file);
  }
  return image;
}

int PdfPages(const QString& pdf) {
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {pdf});
  info.waitForFinished();
  for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split('\n')) {
    if (line.startsWith(QStringLiteral("Pages:"))) return line.mid(6).trimmed().toInt();
  }
  return -1;
}

QString PdfText(const QString& pdf, int page) {
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                           QString::number(page), pdf, QStringLiteral("-")});
  text.waitForFinished();
  return QString::fromUtf8(text.readAllStandardOutput());
}

QImage Rasterise(const QString& pdf, int dpi) {
  QProcess process;
  const QString prefix = pdf + QStringLiteral("-page");
  process.start(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
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
    interaction.saveAnswers = {base + "/photo.bmp", base + "/first", base + "/my.folder/photo"};
    output.sizes = {{0, 0}, {640, 480}};
    int repaints = 0;
    ExportTiff(OutputSourceOf(design.state.get(), design.scene), &interaction, &output,
               [&repaints]() { ++repaints; });
    QCOMPARE(interaction.errors,
             std::vector<std::string>{"TIFF files must have an extension of .tif or .tiff"});
    QCOMPARE(std::tuple(interaction.saveRequests.size(), interaction.saveRequests[0].filters.at(0).pattern,
                        output.offered[0], repaints),
             std::tuple(size_t{3}, std::string("*.tif"), std::make_pair(1024, 1024), 1));
    QVERIFY(!QFile::exists(QString::fromStdString(base + "/first.tif")));  // its size was cancelled

    // The file holds the composite at the export size; the window's size is back.
    const Image written = ReadTiffFile(base + "/my.folder/photo.tif");
    const AppState& s = *design.state;
    QCOMPARE(std::tuple(written.width, written.height, s.render.composite.width, s.render.composite.height,
                        s.persistent.lastExportWidth, s.persistent.lastSaveFolder),
             std::tuple(640, 480, 400, 300, 640, base + "/my.folder"));

    // A name given without its ending is asked about as it will be written;
    // No shows the dialog again from that name, and the file stays as it was.
    interaction.saveAnswers = {base + "/my.folder/photo"};
    interaction.answers = {Answer::No};
    ExportTiff(OutputSourceOf(design.state.get(), design.scene), &interaction, &output, nullptr);
    QCOMPARE(
        interaction.questions,
        std::vector<std::string>{"Export TIFF file|photo.tif already exists.\nDo you want to replace it?"});
    QCOMPARE(std::tuple(interaction.saveRequests.back().initialName, output.offered.size()),
             std::tuple(base + "/my.folder/photo.tif", size_t{2}));  // no size was asked for

    // Cancelling the file dialog ends the command without a file.
    ExportTiff(OutputSourceOf(design.state.get(), design.scene), &interaction, &output, nullptr);
    interaction.saveAnswers = {base + "/no/such/folder/x.tif"};
    output.sizes = {{10, 10}};
    ExportTiff(OutputSourceOf(design.state.get(), design.scene), &interaction, &output, nullptr);
    QCOMPARE(interaction.errors,
             (std::vector<std::string>{
                 "TIFF files must have an extension of .tif or .tiff",
                 "Cannot create file: " + base + "/no/such/folder/x.tif\nNo such file or directory"}));
  }

  void exportKindFollowsTheEndingOrElseTheFilter() {
    TempFolder folder;
    Design design;
    design.state->persistent.lastSaveFolder = folder.Root().string();
    QtInteraction qt;
    ScriptedOutput output;
    const QString tiff = "TIFF Files (*.tif)", jpeg = "JPEG Files (*.jpg)", png = "PNG Files (*.png)";
    const QByteArray jfif("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10), pngSignature("\x89PNG\r\n\x1A\n", 8);
    const QString replace = "Export TIFF file|proof.jpg already exists.\nDo you want to replace it?";
    const QString failed =
        "Error|Error saving JPEG file: " + QString::fromStdString(folder.Path("proof.jpg")) +
        "\nInput/output error";
    struct Case {
      QString typed, filter;
      std::string written;  // empty: nothing is written
      QByteArray start;
      QStringList seen;
      int fault = 0;  // the errno every write fails with
    };
    // The ending decides; a name without one gets the filter's.
    const Case cases[] = {
        {"proof", jpeg, "proof.jpg", jfif, {"QFileDialog"}},
        {"proof", png, "proof.png", pngSignature, {"QFileDialog"}},
        {"print", tiff, "print.tif", QByteArray("II*\0", 4), {"QFileDialog"}},
        {"other.PNG", jpeg, "other.PNG", pngSignature, {"QFileDialog"}},
        {"other.jpeg", tiff, "other.jpeg", jfif, {"QFileDialog"}},
        {"proof.bmp",
         png,
         "",
         {},
         {"QFileDialog", "Error|PNG files must have an extension of .png", "QFileDialog"}},
        // A failed write after the file was made names it and keeps the earlier one.
        {"proof", jpeg, "", {}, {"QFileDialog", replace, failed}, EIO},
    };
    QStringList filters;
    for (const Case& c : cases) {
      ModalDriver driver;
      const auto name = ModalDriver::Name(c.typed, c.filter);
      driver.steps = {[&filters, name](QWidget* modal) {
                        filters = qobject_cast<QFileDialog*>(modal)->nameFilters();
                        name(modal);
                      },
                      ModalDriver::Press(c.fault ? QMessageBox::Yes : QMessageBox::Ok),
                      [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }};
      output.sizes = {{120, 90}};
      const FileBytes before = ReadAll(folder.Path("proof.jpg"));
      const FileFaultHook previous =
          SetFileFaultHook([&c](FileStep step) { return step == FileStep::Write ? c.fault : 0; });
      ExportTiff(OutputSourceOf(design.state.get(), design.scene), &qt, &output, nullptr);
      SetFileFaultHook(previous);
      QCOMPARE(driver.seen, c.seen);
      QCOMPARE(filters, (QStringList{tiff, jpeg, png}));
      if (!c.written.empty()) {
        const FileBytes bytes = ReadAll(folder.Path(c.written));
        QVERIFY2(QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))
                     .startsWith(c.start),
                 c.written.c_str());
      } else {
        QVERIFY(ReadAll(folder.Path("proof.jpg")) == before);
      }
    }
    QCOMPARE(std::distance(std::filesystem::directory_iterator(folder.Root()), {}), 5L);  // no temporary left
  }

  void exportThatRunsOutOfMemoryKeepsTheEarlierFile() {
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer needs more address space than the limit below allows");
#endif
    QTemporaryDir folder;
    Design design;
    ScriptedInteraction interaction;
    ScriptedOutput output;
    const QString path = folder.filePath(QStringLiteral("framed.tif"));
    interaction.saveAnswers = {path.toStdString(), path.toStdString()};
    interaction.answers = {Answer::Yes};  // to replace the first export
    output.sizes = {{64, 48}, {20000, 20000}};
    ExportTiff(OutputSourceOf(design.state.get(), design.scene), &interaction, &output, nullptr);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray earlier = file.readAll();
    file.close();
    // Room for what the program holds now and 400 MB more; the 20000 x 20000
    // composite alone takes 1.2 GB.
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_AS, &saved), 0);
    QFile status(QStringLiteral("/proc/self/status"));
    QVERIFY(status.open(QIODevice::ReadOnly));
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf("VmSize:");
    QVERIFY(at >= 0);
    rlimit tight = saved;
    tight.rlim_cur = (text.mid(at + 7, 20).trimmed().split(' ').front().toULongLong() << 10) + (400u << 20);
    QCOMPARE(::setrlimit(RLIMIT_AS, &tight), 0);
    ExportTiff(OutputSourceOf(design.state.get(), design.scene), &interaction, &output, nullptr);
    ::setrlimit(RLIMIT_AS, &saved);
    QCOMPARE(interaction.errors, std::vector<std::string>{"Not enough memory to export the design"});
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == earlier);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
  }

  // One bar for the render and the write, only forward and up to 100; the
  // hook from before is back afterwards.
  void exportShowsProgressAndPutsTheHookBack() {
    QTemporaryDir folder;
    Design design;
    ScriptedInteraction interaction;
    ScriptedOutput output;
    std::pair<int64_t, int64_t> earlierHookGot;
    const ProgressHook before = SetProgressHook([&](int64_t done, int64_t total) {
      earlierHookGot = {done, total};
    });
    interaction.saveAnswers = {folder.filePath(QStringLiteral("shown.tif")).toStdString()};
    output.sizes = {{640, 480}};
    ExportTiff(OutputSourceOf(design.state.get(), design.scene), &interaction, &output, nullptr);
    QCOMPARE(std::tuple(output.progress.front(), output.progress.back()),
             std::tuple(std::string("begin Exporting TIFF file..."), std::string("end")));
    std::vector<int> percents;
    for (size_t i = 1; i + 1 < output.progress.size(); ++i) percents.push_back(std::stoi(output.progress[i]));
    QVERIFY(std::is_sorted(percents.begin(), percents.end(), std::less_equal<int>()) && percents.size() > 20);
    QCOMPARE(percents.back(), 100);
    ReportProgress(3, 4);
    SetProgressHook(before);
    QCOMPARE(earlierHookGot, std::make_pair(int64_t{3}, int64_t{4}));
  }

  void progressWindowCannotBeClosed() {
    QWidget owner;
    owner.show();
    QtOutputInteraction output(nullptr, &owner);
    output.BeginProgress("Exporting TIFF file...");
    const QPointer<QProgressDialog> dialog = output.progressDialog();
    QVERIFY(dialog);
    QCOMPARE(std::tuple(dialog->labelText(), dialog->windowModality(), dialog->parentWidget() == &owner),
             std::tuple(QStringLiteral("Exporting TIFF file..."), Qt::ApplicationModal, true));
    QCOMPARE(dialog->findChild<QPushButton*>(), nullptr);
    dialog->setMinimumDuration(0);  // shown by the next step, however soon it comes
    output.ShowProgress(30);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->value(), 30);
    dialog->close();
    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(dialog->isVisible());
    output.EndProgress();
    QVERIFY(dialog.isNull());
  }

  void exportSizeDialogChecksWidthFirst() {
    std::string message;
    int width = 0, height = 0;
    QCOMPARE(CheckExportSize("2", "20000", &width, &height, &message), 0);
    QCOMPARE(std::tuple(width, height), std::tuple(2, 20000));
    // The width is checked first.
    for (auto [w, h, expected] : {std::tuple{"1", "100", "width"},
                                  {"20001", "100", "width"},
                                  {"12a", "100", "width"},
                                  {"", "100", "width"},
                                  {"x", "y", "width"},
                                  {"100", "0", "height"}}) {
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
    PrintDesignOn(OutputSourceOf(design.state.get(), design.scene), &printer);
    QCOMPARE(PdfPages(pdf), 1);
    // Back at the window's size afterwards.
    QCOMPARE(
        std::tuple(design.state->render.composite.width, design.state->render.pixelsPerInch, windowScale),
        std::tuple(400, windowScale, 300 / (14.0 * 1.2)));

    // The page shows the rendering at 1200 x 900: compare a few points with
    // a rendering made at that size.
    Design reference;
    reference.state->viewWidth = 1200;
    reference.state->viewHeight = 900;
    RenderDesign(reference.state.get(), reference.scene);
    const QImage page = Rasterise(pdf, 300);
    QCOMPARE(page.size(), QSize(1200, 900));
    const Image& composite = reference.state->render.composite;
    for (const QPoint point : {QPoint(20, 20), QPoint(600, 450), QPoint(300, 200), QPoint(1100, 850)}) {
      const QRgb printed = page.pixel(point), rendered = PixelArgb(composite, point.x(), point.y());
      QVERIFY2(std::abs(qRed(printed) - qRed(rendered)) <= 8 &&
                   std::abs(qGreen(printed) - qGreen(rendered)) <= 8 &&
                   std::abs(qBlue(printed) - qBlue(rendered)) <= 8,
               qPrintable(QStringLiteral("at %1,%2").arg(point.x()).arg(point.y())));
    }
  }

  void printDialogKeepsCopiesAndHasNoPageRange() {
    QTemporaryDir folder;
    const QString pdf = folder.filePath(QStringLiteral("copies.pdf"));
    QWidget owner;
    QtOutputInteraction output(nullptr, &owner);
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdf(&printer, pdf, 4.0, 3.0);
    std::vector<bool> hidden;  // the page range, the copies
    QTimer::singleShot(0, [&hidden]() {
      QWidget* dialog = QApplication::activeModalWidget();
      auto* copies = dialog->findChild<QSpinBox*>(QStringLiteral("copies"));
      hidden = {dialog->findChild<QWidget*>(QStringLiteral("gbPrintRange"))->isHidden(), copies->isHidden()};
      copies->setValue(3);
      QMetaObject::invokeMethod(dialog, "accept");
    });
    QVERIFY(output.AskPrinter(&printer));
    QCOMPARE(hidden, (std::vector<bool>{true, false}));
    Design design;
    PrintDesignOn(OutputSourceOf(design.state.get(), design.scene), &printer);
    QCOMPARE(PdfPages(pdf), 3);
  }

  void specificationsPagesCopiesAndFont() {
    QTemporaryDir folder;
    Design design;
    const QString pdf = folder.filePath(QStringLiteral("specs.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdf(&printer, pdf, 8.5, 3.0);  // a short page: 3 inches hold 12 lines
    PrintSpecificationsOn(OutputSourceOf(design.state.get(), design.scene), &printer);
    QCOMPARE(PdfPages(pdf), 5);  // 26 lines and 28 of the cut list at 12 a page
    // The last page, read back by poppler, ends the cut list.
    QVERIFY(PdfText(pdf, 5).contains(QStringLiteral("Sizes as designed; add your own allowances.")));
    // Two copies: collated 1 2 3 4 5 1 2 ..., otherwise 1 1 2 2 3 3 ...
    for (bool collate : {true, false}) {
      SetUpPdf(&printer, pdf, 8.5, 3.0);
      printer.setCopyCount(2);
      printer.setCollateCopies(collate);
      PrintSpecificationsOn(OutputSourceOf(design.state.get(), design.scene), &printer);
      QCOMPARE(
          std::tuple(PdfPages(pdf), PdfText(pdf, 2) == PdfText(pdf, 1), PdfText(pdf, 6) == PdfText(pdf, 1)),
          std::tuple(10, !collate, collate));
    }
    printer.setCopyCount(1);

    // The font's full height is the line height (a sixth of an inch) to 1 %, at any resolution.
    for (int dpi : {300, 600, 1200}) {
      printer.setResolution(dpi);
      const double height = QFontMetricsF(SpecificationsFont(dpi / 6, &printer), &printer).height();
      QVERIFY2(std::abs(height / (dpi / 6) - 1.0) < 0.01, qPrintable(QString::number(height)));
    }

    SetUpPdf(&printer, pdf, 8.5, 11.0);
    PrintSpecificationsOn(OutputSourceOf(design.state.get(), design.scene), &printer);
    QCOMPARE(PdfPages(pdf), 1);
  }
};

QTEST_MAIN(OutputTest)
#include "output_qt_test.moc"
