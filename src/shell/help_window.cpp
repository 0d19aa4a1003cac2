#include "shell/help_window.h"

#include <QFileInfo>
#include <QImage>
#include <QPointer>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <algorithm>
#include <utility>
#include <vector>

#include "core/hooks.h"

namespace {

// The manual's screenshots are drawn at most as wide as the window shows
// text, in proportion; a wide window shows them at their own size.
class HelpBrowser : public QTextBrowser {
 public:
  explicit HelpBrowser(QWidget* owner) : QTextBrowser(owner) {
    connect(this, &QTextBrowser::sourceChanged, this, [this]() { FitImages(); });
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QTextBrowser::resizeEvent(event);
    FitImages();
  }

 private:
  void FitImages() {
    const double room = viewport()->width() - 2.0 * document()->documentMargin() - 4.0;
    if (room <= 0.0 || room == fittedTo_) return;
    fittedTo_ = room;  // fitting can show or hide the scroll bar: no second round
    std::vector<std::pair<int, QTextImageFormat>> images;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
      for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextImageFormat image = fragment.charFormat().toImageFormat();
        if (image.isValid()) images.emplace_back(fragment.position(), image);
      }
    }
    for (auto& [position, image] : images) {
      const QImage picture =
          document()->resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
      if (picture.isNull() || picture.width() <= 0) continue;
      const double width = std::min<double>(picture.width(), room);
      image.setWidth(width);
      image.setHeight(width * picture.height() / picture.width());
      QTextCursor cursor(document());
      cursor.setPosition(position);
      cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
      cursor.setCharFormat(image);
    }
  }

  double fittedTo_ = 0.0;
};

}  // namespace

QWidget* ShowHelpContents(const std::string& manualFolder, QWidget* owner) {
  static QPointer<QTextBrowser> window;
  if (window) {
    window->show();
    window->raise();
    window->activateWindow();
    return window;
  }
  // Without its manual the window would open blank and say nothing.
  const std::string contents = manualFolder + "/index.html";
  if (!QFileInfo::exists(QString::fromStdString(contents))) {
    ShowError("Cannot open file: " + contents);
    return nullptr;
  }
  // A window of its own, owned by `owner` (a Qt child) and deleted when it
  // closes; `window` forgets it then.
  window = new HelpBrowser(owner);
  window->setWindowFlag(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(QStringLiteral("Passavue Help"));
  window->setOpenExternalLinks(true);
  window->setSearchPaths({QString::fromStdString(manualFolder)});
  window->setSource(QUrl::fromLocalFile(QString::fromStdString(contents)));
  window->resize(760, 640);
  window->show();
  return window;
}
