#include "shell/help_window.h"

#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

void ShowHelpContents(const std::string& manualFolder, QWidget* owner) {
  static QPointer<QTextBrowser> window;
  if (window) {
    window->show();
    window->raise();
    window->activateWindow();
    return;
  }
  window = new QTextBrowser(owner);
  window->setWindowFlag(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(QStringLiteral("Passavue Help"));
  window->setOpenExternalLinks(true);
  window->setSearchPaths({QString::fromStdString(manualFolder)});
  window->setSource(QUrl::fromLocalFile(QString::fromStdString(manualFolder + "/index.html")));
  window->resize(760, 640);
  window->show();
}
