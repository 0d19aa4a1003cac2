// Export and printing driven without a person; printing goes to PDF files,
// which poppler turns back into text and pixels, and libtiff's tiffinfo reads
// the exported TIFF.
#include <sys/resource.h>
#include <unistd.h>

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>
#include <cerrno>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>

#include "core/hooks.h"
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
    if (sizes.empty()) return false;
    std::tie(*width, *height) = sizes.front();
    sizes.pop_front();
    return *width != 0;
  }
  bool AskPrinter(QPrinter*) override { return false; }

  // The progress window's calls: "<label>", each percentage, "end".
  std::vector<std::string> progress;
  void BeginProgress(const std::string& label) override { progress = {label}; }
  void ShowProgress(int percent) override { progress.push_back(std::to_string(percent)); }
  void EndProgress() override { progress.push_back("end"); }
};

struct Design {
  std::unique_ptr<AppState> state = std::make_unique<AppState>();
  SceneSettings scene;
  explicit Design(int width = 400, int height = 300) {
    InitScene(&scene);
    ComputeOverallSize(&scene);
    state->viewWidth = width;
    state->viewHeight = height;
    RenderDesign(state.get(), scene);
  }
  OutputSource Source() { return OutputSourceOf(state.get(), scene); }
};

// What a program run to its end wrote on standard output.
QString Output(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  process.waitForFinished(60000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of each page, as poppler reads it: it ends every page with a form feed.
QStringList PdfPages(const QString& pdf) {
  QStringList pages = Output(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).split(QChar('\f'));
  pages.removeLast();
  return pages;
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
  void exportNameKindSizeAndProgress() {
    QTemporaryDir folder;
    Design design;
    ScriptedInteraction interaction;
    ScriptedOutput output;
    const std::string base = folder.path().toStdString();
    QDir(folder.path()).mkdir(QStringLiteral("my.folder"));
    // Shared, so that a failure below, which leaves this hook in place, spoils no later test.
    const auto earlierHookGot = std::make_shared<std::pair<int64_t, int64_t>>();
    const ProgressHook before = SetProgressHook([earlierHookGot](int64_t done, int64_t total) {
      *earlierHookGot = {done, total};
    });
    // A wrong ending reopens the file dialog; a cancelled size does too.
    interaction.saveAnswers = {base + "/photo.bmp", base + "/first", base + "/my.folder/photo"};
    output.sizes = {{0, 0}, {640, 480}};
    int repaints = 0;
    ExportTiff(design.Source(), &interaction, &output, [&repaints]() { ++repaints; });
    // The first name's size was cancelled: nothing is written under it.
    QCOMPARE(std::tuple(interaction.saveRequests.size(), interaction.saveRequests.at(0).filters.at(0).pattern,
                        output.offered.at(0), repaints, std::filesystem::exists(base + "/first.tif")),
             std::tuple(size_t{3}, std::string("*.tif"), std::make_pair(1024, 1024), 1, false));

    // The file holds the composite at the export size; the window's size is back.
    const AppState& s = *design.state;
    QCOMPARE(std::tuple(s.render.composite.width, s.render.composite.height, s.persistent.lastExportWidth,
                        s.persistent.lastSaveFolder),
             std::tuple(400, 300, 640, base + "/my.folder"));
    QVERIFY(Output(QStringLiteral("tiffinfo"), {QString::fromStdString(base + "/my.folder/photo.tif")})
                .contains(QStringLiteral("Image Width: 640 Image Length: 480")));

    // One bar for the render and the write, only forward and up to 100; the
    // hook from before is back afterwards.
    const std::vector<std::string>& bar = output.progress;
    QVERIFY(bar.size() > 20);
    QCOMPARE(std::tuple(bar.front(), bar[bar.size() - 2], bar.back()),
             std::tuple(std::string("Exporting TIFF file..."), std::string("100"), std::string("end")));
    QVERIFY(std::is_sorted(bar.begin() + 1, bar.end() - 1, [](const std::string& a, const std::string& b) {
      return std::stoi(a) <= std::stoi(b);
    }));
    ReportProgress(3, 4);
    SetProgressHook(before);
    QCOMPARE(*earlierHookGot, std::make_pair(int64_t{3}, int64_t{4}));

    // A name given without its ending is asked about as it will be written;
    // No shows the dialog again from that name, and the file stays as it was.
    interaction.saveAnswers = {base + "/my.folder/photo"};
    interaction.answers = {Answer::No};
    ExportTiff(design.Source(), &interaction, &output, nullptr);
    QCOMPARE(
        interaction.questions,
        std::vector<std::string>{"Export TIFF file|photo.tif already exists.\nDo you want to replace it?"});
    QCOMPARE(std::tuple(interaction.saveRequests.back().initialName, output.offered.size()),
             std::tuple(base + "/my.folder/photo.tif", size_t{2}));  // no size was asked for

    // Cancelling the file dialog ends the command without a file.
    ExportTiff(design.Source(), &interaction, &output, nullptr);
    interaction.saveAnswers = {base + "/no/such/folder/x.tif"};
    output.sizes = {{10, 10}};
    ExportTiff(design.Source(), &interaction, &output, nullptr);
    QCOMPARE(interaction.errors,
             (std::vector<std::string>{
                 "TIFF files must have an extension of .tif or .tiff",
                 "Cannot create file: " + base + "/no/such/folder/x.tif\nNo such file or directory"}));

    // Through the real dialogs, which start in the folder of the export above.
    QtInteraction qt;
    const std::string mine = base + "/my.folder/";
    const QString jpeg = "JPEG Files (*.jpg)", png = "PNG Files (*.png)";
    const std::string jfif("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10), pngSignature("\x89PNG\r\n\x1A\n", 8);
    const QString replace = "Export TIFF file|proof.jpg already exists.\nDo you want to replace it?";
    const QString failed = "Error|Error saving JPEG file: " + QString::fromStdString(mine + "proof.jpg") +
                           "\nInput/output error";
    struct Case {
      QString typed, filter;
      std::string written, start;  // nothing is written where `written` is empty
      QString seen;
      int fault = 0;  // the errno every write fails with
    };
    // The ending decides; a name without one gets the filter's.
    const Case cases[] = {
        {"proof", jpeg, "proof.jpg", jfif, "QFileDialog"},
        {"proof", png, "proof.png", pngSignature, "QFileDialog"},
        {"other.PNG", jpeg, "other.PNG", pngSignature, "QFileDialog"},
        {"proof.bmp", png, "", {}, "QFileDialog;Error|PNG files must have an extension of .png;QFileDialog"},
        // A failed write after the file was made names it and keeps the earlier one.
        {"proof", jpeg, "", {}, "QFileDialog;" + replace + ";" + failed, EIO},
    };
    for (const Case& c : cases) {
      ModalDriver driver;
      driver.steps = {ModalDriver::Name(c.typed, c.filter),
                      ModalDriver::Press(c.fault ? QMessageBox::Yes : QMessageBox::Ok)};
      output.sizes = {{120, 90}};
      const std::string before = ReadText(mine + "proof.jpg");
      const FileFaultHook previous =
          SetFileFaultHook([&c](FileStep step) { return step == FileStep::Write ? c.fault : 0; });
      ExportTiff(design.Source(), &qt, &output, nullptr);
      SetFileFaultHook(previous);
      QCOMPARE(driver.seen.join(';'), c.seen);
      const std::string bytes = ReadText(mine + (c.written.empty() ? "proof.jpg" : c.written));
      QVERIFY2(c.written.empty() ? bytes == before : bytes.rfind(c.start, 0) == 0, c.written.c_str());
    }
    QCOMPARE(std::distance(std::filesystem::directory_iterator(mine), {}), 4L);  // no temporary left

    // Running out of memory keeps the earlier file (and leaves no temporary beside it).
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer needs more address space than the limit below allows");
#endif
    const std::string path = mine + "photo.tif";
    const FileBytes earlier = ReadAll(path);
    interaction.saveAnswers = {path};
    interaction.answers = {Answer::Yes};
    output.sizes = {{20000, 20000}};
    // Room for what the program holds now and 400 MB more; the 20000 x 20000
    // composite alone takes 1.2 GB.
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_AS, &saved), 0);
    rlim_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit tight = saved;
    tight.rlim_cur = pages * ::sysconf(_SC_PAGESIZE) + (400u << 20);
    QCOMPARE(::setrlimit(RLIMIT_AS, &tight), 0);
    ExportTiff(design.Source(), &interaction, &output, nullptr);
    ::setrlimit(RLIMIT_AS, &saved);
    QCOMPARE(std::tuple(interaction.errors.size(), interaction.errors.back()),
             std::tuple(size_t{3}, std::string("Not enough memory to export the design")));
    QVERIFY(!earlier.empty() && ReadAll(path) == earlier);
    QCOMPARE(std::distance(std::filesystem::directory_iterator(mine), {}), 4L);
  }

  void progressWindowCannotBeClosed() {
    QWidget owner;
    owner.show();
    QtOutputInteraction output(nullptr, &owner);
    output.BeginProgress("Exporting TIFF file...");
    const QPointer<QProgressDialog> dialog = output.progressDialog();
    QVERIFY(dialog);
    QCOMPARE(std::tuple(dialog->labelText(), dialog->windowModality(), dialog->parentWidget() == &owner,
                        dialog->findChild<QPushButton*>()),
             std::tuple(QStringLiteral("Exporting TIFF file..."), Qt::ApplicationModal, true, nullptr));
    dialog->setMinimumDuration(0);  // shown by the next step, however soon it comes
    output.ShowProgress(30);
    QCOMPARE(std::tuple(dialog->isVisible(), dialog->value()), std::tuple(true, 30));
    dialog->close();
    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(dialog->isVisible());
    output.EndProgress();
    QVERIFY(dialog.isNull());
  }

  void exportSizeDialogChecksWidthFirst() {
    ScriptedInteraction interaction;
    ExportSizeDialog dialog(1024, 768, &interaction, nullptr);
    QCOMPARE(dialog.windowTitle() + dialog.widthField()->text() + "x" + dialog.heightField()->text(),
             QStringLiteral("File Export1024x768"));
    dialog.show();
    // Each refusal (a row: the width, the height, the value refused) leaves the dialog open with its message.
    for (const char* row :
         {"1 100 width", "20001 100 width", "12a y width", "100 0 height", "2 20001 height"}) {
      const QStringList cell = QString::fromUtf8(row).split(' ');
      dialog.widthField()->setText(cell[0]);
      dialog.heightField()->setText(cell[1]);
      dialog.accept();
      QCOMPARE(std::tuple(dialog.isVisible(), interaction.errors.back()),
               std::tuple(true, "Illegal image " + cell[2].toStdString() + " value"));
    }
    dialog.heightField()->setText(QStringLiteral("20000"));
    dialog.accept();
    QCOMPARE(std::tuple(dialog.result(), dialog.acceptedWidth(), dialog.acceptedHeight()),
             std::tuple(int(QDialog::Accepted), 2, 20000));
  }

  // The copies chosen in the print dialog, each page filled with the rendering at 300 pixels per inch;
  // then the specifications on the same printer.
  void printDialogThePrintedPageAndTheSpecifications() {
    QTemporaryDir folder;
    const QString pdf = folder.filePath(QStringLiteral("printed.pdf"));
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
    SetUpPdf(&printer, pdf, 4.0, 3.0);  // the dialog's paper is Letter
    Design design;
    const double windowScale = design.state->render.pixelsPerInch;
    PrintDesignOn(design.Source(), &printer);
    // Back at the window's size afterwards.
    QCOMPARE(std::tuple(PdfPages(pdf).size(), design.state->render.composite.width,
                        design.state->render.pixelsPerInch, windowScale),
             std::tuple(3, 400, windowScale, 300 / (14.0 * 1.2)));

    // The first page, as poppler draws it, against a rendering made at 1200 x 900.
    const Design reference(1200, 900);
    Output(QStringLiteral("pdftoppm"), QStringLiteral("-r 300 -png -singlefile").split(' ') << pdf << pdf);
    const QImage page(pdf + QStringLiteral(".png"));
    QCOMPARE(page.size(), QSize(1200, 900));
    // The mean difference is 1.8 levels (the PDF's image compression); a
    // rendering at 150 pixels per inch, scaled up, makes it 3.4.
    double difference = 0;
    for (int y = 0; y < page.height(); ++y) {
      for (int x = 0; x < page.width(); ++x) {
        const QRgb printed = page.pixel(x, y), rendered = PixelArgb(reference.state->render.composite, x, y);
        for (int shift : {0, 8, 16})
          difference += std::abs(int(printed >> shift & 0xFF) - int(rendered >> shift & 0xFF));
      }
    }
    difference /= 3.0 * page.width() * page.height();
    QVERIFY2(difference < 2.5, qPrintable(QString::number(difference)));

    // Two copies of a short page (3 inches hold 12 lines; 26 lines and 28 of
    // the cut list make 5 pages): collated 1 2 3 4 5 1 2 ..., otherwise 1 1 2 2 3 3 ...
    for (bool collate : {true, false}) {
      SetUpPdf(&printer, pdf, 8.5, 3.0);
      printer.setCopyCount(2);
      printer.setCollateCopies(collate);
      PrintSpecificationsOn(design.Source(), &printer);
      const QStringList pages = PdfPages(pdf);
      QCOMPARE(std::tuple(pages.size(), pages.value(1) == pages.value(0), pages.value(5) == pages.value(0)),
               std::tuple(10, !collate, collate));
      QVERIFY(pages.value(collate ? 4 : 9)
                  .contains(QStringLiteral("Sizes as designed; add your own allowances.")));
    }
    // The font's full height is the line height (a sixth of an inch) to 1 %, at any resolution.
    for (int dpi : {300, 600, 1200}) {
      printer.setResolution(dpi);
      const double height = QFontMetricsF(SpecificationsFont(dpi / 6, &printer), &printer).height();
      QVERIFY2(std::abs(height / (dpi / 6) - 1.0) < 0.01, qPrintable(QString::number(height)));
    }
  }
};

QTEST_MAIN(OutputTest)
#include "output_qt_test.moc"
