#include "shell/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "display/display_copy.h"
#include "display/screen.h"
#include "files/import.h"
#include "render/render.h"
#include "scene/settings_file.h"
#include "scene/text.h"
#include "shell/app_state.h"
#include "shell/control_ids.h"
#include "shell/design_commands.h"
#include "shell/document.h"
#include "shell/hit_test.h"
#include "shell/property_dialog.h"

DesignView::DesignView(AppState* state, const Document* document, const QFont* rulerFont, QWidget* parent)
    : QWidget(parent), state_(state), document_(document), rulerFont_(rulerFont) {
  // The view paints every pixel itself.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
}

void DesignView::RenderAtViewSize() {
  // The device pixels the view covers: at a fractional scale its edges fall
  // between pixels, and each is rounded where it lies in the window, as Qt
  // places widgets, so the rendering fills the view to its last row.
  const double ratio = devicePixelRatioF();
  const QPoint origin = mapTo(window(), QPoint(0, 0));
  state_->viewWidth =
      static_cast<int>(std::lround((origin.x() + width()) * ratio) - std::lround(origin.x() * ratio));
  state_->viewHeight =
      static_cast<int>(std::lround((origin.y() + height()) * ratio) - std::lround(origin.y() * ratio));
  RenderDesign(state_, document_->design());
}

void DesignView::ToComposite(QPoint point, int* c, int* r) const {
  const double ratio = devicePixelRatioF();
  const QPoint origin = mapTo(window(), QPoint(0, 0));
  *c = static_cast<int>(std::floor((origin.x() + point.x()) * ratio) - std::lround(origin.x() * ratio));
  *r = state_->render.composite.height - 1 -
       static_cast<int>(std::floor((origin.y() + point.y()) * ratio) - std::lround(origin.y() * ratio));
}

void DesignView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const Image& composite = state_->render.composite;
  if (composite.type == Rgb8 && composite.rows != nullptr && state_->render.displayCopy.type == 0) {
    MakeDisplayCopy(composite, state_->monitorProfile, &state_->displayTransform,
                    &state_->render.displayCopy);
  }
  const Image& shown = state_->render.displayCopy.rows != nullptr ? state_->render.displayCopy : composite;
  if (shown.rows == nullptr) {
    painter.fillRect(rect(), Qt::white);
  } else {
    // The composite is rendered in device pixels; drawn one to one.
    BlitImageDevicePixels(&painter, shown, 0, 0);
  }
  if (state_->persistent.showRuler == 1) {
    RulerGeometry geometry;
    geometry.clientWidth = width();
    geometry.clientHeight = height();
    geometry.compositeWidth = composite.width;
    geometry.compositeHeight = composite.height;
    geometry.pixelsPerInch = state_->render.pixelsPerInch;
    geometry.units = state_->persistent.units;
    DrawRulers(&painter, *rulerFont_, geometry);
  }
}

void DesignView::resizeEvent(QResizeEvent*) {
  RenderAtViewSize();
  update();
}

void DesignView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
  int c = 0;
  int r = 0;
  ToComposite(event->position().toPoint(), &c, &r);
  emit clickedOn(HitTest(document_->design(), state_->render.layout, c, r));
}

namespace {

// Where a dialog first opens: beside the drawing where the screen has room
// (right, else left), otherwise over its right-hand side, and cascaded by
// its slot so that no two dialogs cover each other exactly. `frame` is the
// dialog's size with its window frame; the result is the frame's corner.
QPoint FirstPlacement(const QRect& drawing, const QSize& frame, const QRect& screen, int slot) {
  constexpr int kGap = 8;
  constexpr int kStep = 28;
  constexpr int kLastSlot = 5;
  const int shift = slot * kStep;
  int x = screen.right() + 1 - frame.width() - (kLastSlot - slot) * kStep;
  if (drawing.right() + kGap + shift + frame.width() <= screen.right()) {
    x = drawing.right() + 1 + kGap + shift;
  } else if (drawing.left() - kGap - shift - frame.width() >= screen.left()) {
    x = drawing.left() - kGap - shift - frame.width();
  }
  x = std::max(x, screen.left());
  const int lowest = std::max(screen.top(), screen.bottom() + 1 - frame.height());
  return {x, std::clamp(drawing.top() + shift, screen.top(), lowest)};
}

// The first of the dropped files, as the file system names it; empty when
// that is not a local file. Of several files only the first is taken, as
// one design shows one picture.
std::string DroppedPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return {};
  const QUrl first = data->urls().constFirst();
  if (!first.isLocalFile() || first.toLocalFile().isEmpty()) return {};
  return QFile::encodeName(first.toLocalFile()).toStdString();
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/passavue-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

MainWindow::MainWindow(AppState* state, Document* document, Interaction* interaction,
                       CommandHandlers handlers)
    : state_(state), interaction_(interaction), handlers_(std::move(handlers)), document_(document) {
  setWindowTitle(QStringLiteral("Passavue 1.0"));
  setWindowIcon(ProgramIcon());  // its dialogs and windows take it too
  setMinimumSize(300, 300);
  rulerFont_ = QFont(QStringLiteral("Arial"));
  rulerFont_.setPixelSize(11);
  rulerFont_.setWeight(QFont::Normal);
  state_->render.pixelsPerInch = 100.0;
  view_ = new DesignView(state_, document_, &rulerFont_, this);
  setCentralWidget(view_);
  connect(view_, &DesignView::clickedOn, this, [this](int command) { OpenPropertyDialog(command); });
  connect(document_, &Document::changed, this, &MainWindow::RenderAndRepaint);
  connect(document_, &Document::historyChanged, this, &MainWindow::UpdateEditMenu);
  BuildMenus();
  AddShortcuts();
  setAcceptDrops(true);
  UpdateEditMenu();
}

void MainWindow::AddCommand(QMenu* menu, int command, const char* label, bool checkable) {
  // The labels carry their shortcut texts after a tab; Qt shows them in the
  // shortcut column instead of the text of the action's own shortcut.
  QAction* action = menu->addAction(QString::fromUtf8(label));
  action->setData(command);
  action->setCheckable(checkable);
  connect(action, &QAction::triggered, this, [this, command]() { RunCommand(command); });
  actions_[command] = action;
}

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  AddCommand(file, kCommandNew, "&New...\tCtrl-N");
  AddCommand(file, kCommandOpen, "&Open...\tCtrl-O");
  AddCommand(file, kCommandSave, "&Save\tCtrl-S");
  AddCommand(file, kCommandSaveAs, "Save &As...");
  AddCommand(file, kCommandSaveAsDefault, "Save As &Default");
  AddRecentDesignsMenu(file);
  file->addSeparator();
  AddCommand(file, kCommandPrint, "&Print...\tCtrl-P");
  AddCommand(file, kCommandPrintSpecifications, "Print Speci&fications...");
  AddCommand(file, kCommandExport, "&Export...");
  file->addSeparator();
  AddCommand(file, kCommandPreferences, "Pre&ferences");
  file->addSeparator();
  AddCommand(file, kCommandExit, "E&xit\tCtrl-Q");

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  AddCommand(edit, kCommandUndo, "&Undo");
  AddCommand(edit, kCommandRedo, "&Redo");
  action(kCommandUndo)->setShortcuts(QKeySequence::Undo);
  action(kCommandRedo)->setShortcuts(QKeySequence::Redo);

  QMenu* settings = menuBar()->addMenu(QStringLiteral("&Settings"));
  AddCommand(settings, kCommandImage, "&Image");
  AddCommand(settings, kCommandInnerMat, "I&nner Mat");
  AddCommand(settings, kCommandMiddleMat, "&Middle Mat");
  AddCommand(settings, kCommandOuterMat, "&Outer Mat");
  AddCommand(settings, kCommandFrame, "&Frame");
  AddCommand(settings, kCommandBackground, "&Background && Lighting");

  QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
  AddCommand(viewMenu, kCommandRulers, "&Rulers", true);
  viewMenu->addSeparator();
  AddCommand(viewMenu, kCommandShowOuterMat, "&Outer Mat", true);
  AddCommand(viewMenu, kCommandShowMiddleMat, "&Middle Mat", true);
  AddCommand(viewMenu, kCommandShowInnerMat, "&Inner Mat", true);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  AddCommand(help, kCommandContents, "&Contents");
  AddCommand(help, kCommandAbout, "&About Passavue");

  for (QMenu* menu : {file, edit, settings, viewMenu, help}) {
    connect(menu, &QMenu::aboutToShow, this, [this]() {
      if (!isMinimized()) UpdateCheckMarks();
    });
  }
}

void MainWindow::AddShortcuts() {
  // The platform's own keys. Some desktops have none for Save As or Quit;
  // those get the keys most programs use there.
  const std::array<std::tuple<int, QKeySequence::StandardKey, const char*>, 6> keys = {{
      {kCommandNew, QKeySequence::New, "Ctrl+N"},
      {kCommandOpen, QKeySequence::Open, "Ctrl+O"},
      {kCommandSave, QKeySequence::Save, "Ctrl+S"},
      {kCommandSaveAs, QKeySequence::SaveAs, "Ctrl+Shift+S"},
      {kCommandPrint, QKeySequence::Print, "Ctrl+P"},
      {kCommandExit, QKeySequence::Quit, "Ctrl+Q"},
  }};
  for (const auto& [command, key, fallback] : keys) {
    QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    if (bindings.isEmpty()) bindings.append(QKeySequence(QString::fromLatin1(fallback)));
    action(command)->setShortcuts(bindings);
  }
}

void MainWindow::AddRecentDesignsMenu(QMenu* file) {
  recentMenu_ = file->addMenu(QStringLiteral("Recent &Designs"));
  recentMenu_->setToolTipsVisible(true);
  // Filled only as the File menu opens, never while one of its entries runs.
  connect(file, &QMenu::aboutToShow, this, &MainWindow::UpdateRecentDesigns);
  UpdateRecentDesigns();
}

void MainWindow::UpdateRecentDesigns() {
  recentMenu_->clear();
  const std::vector<std::string>& recent = state_->persistent.recentDesigns;
  for (size_t i = 0; i < recent.size() && i < kMaxRecentDesigns; ++i) {
    const QString path = QFile::decodeName(QByteArray::fromStdString(recent[i]));
    QString name = QFileInfo(path).fileName();
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* entry = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
    entry->setToolTip(path);
    entry->setStatusTip(path);
    // The bytes as stored: a name that is not valid UTF-8 still names its file.
    connect(entry, &QAction::triggered, this, [this, design = recent[i]]() { OpenDesign(design); });
  }
  recentMenu_->setEnabled(!recent.empty());
}

QAction* MainWindow::action(int command) const {
  auto found = actions_.find(command);
  return found == actions_.end() ? nullptr : found->second;
}

QDialog* MainWindow::propertyDialog(int command) const {
  auto found = dialogs_.find(command);
  return found == dialogs_.end() ? nullptr : found->second.data();
}

void MainWindow::UpdateCheckMarks() {
  action(kCommandRulers)->setChecked(state_->persistent.showRuler == 1);
  for (int i = 0; i < kMatCount; ++i)
    action(kCommandShowOuterMat + i)->setChecked(document_->design().mats[i].shown != 0);
}

void MainWindow::UpdateEditMenu() {
  QAction* undo = action(kCommandUndo);
  QAction* redo = action(kCommandRedo);
  const QString undoLabel = document_->undoLabel();
  const QString redoLabel = document_->redoLabel();
  undo->setText(undoLabel.isEmpty() ? QStringLiteral("&Undo") : QStringLiteral("&Undo ") + undoLabel);
  redo->setText(redoLabel.isEmpty() ? QStringLiteral("&Redo") : QStringLiteral("&Redo ") + redoLabel);
  undo->setEnabled(document_->canUndo());
  redo->setEnabled(document_->canRedo());
}

void MainWindow::RenderAndRepaint() {
  view_->RenderAtViewSize();
  view_->update();
}

void MainWindow::RunCommand(int command) {
  switch (command) {
    case kCommandNew:
      if (NewDesign(state_, document_, interaction_)) DismissPropertyDialogs();
      break;
    case kCommandOpen:
      if (OpenDesignWithDialog(state_, document_, interaction_)) DismissPropertyDialogs();
      break;
    case kCommandSave:
    case kCommandSaveAs:
      SaveDesignWithDialog(state_, document_, interaction_);
      break;
    case kCommandSaveAsDefault:
      SaveDesignAsDefault(state_, document_);
      break;
    case kCommandUndo:
      document_->Undo();
      break;
    case kCommandRedo:
      document_->Redo();
      break;
    case kCommandPrint:
      if (handlers_.print) handlers_.print();
      break;
    case kCommandPrintSpecifications:
      if (handlers_.printSpecifications) handlers_.printSpecifications();
      break;
    case kCommandExport:
      if (handlers_.exportTiff) handlers_.exportTiff();
      break;
    case kCommandPreferences:
      if (handlers_.preferences) handlers_.preferences();
      break;
    case kCommandExit:
      close();
      break;
    case kCommandImage:
    case kCommandOuterMat:
    case kCommandMiddleMat:
    case kCommandInnerMat:
    case kCommandFrame:
    case kCommandBackground:
      OpenPropertyDialog(command);
      break;
    case kCommandRulers:
      state_->persistent.showRuler = state_->persistent.showRuler == 1 ? 0 : 1;
      view_->update();
      break;
    case kCommandShowOuterMat:
    case kCommandShowMiddleMat:
    case kCommandShowInnerMat:
      // Design files keep which mats are shown: a change to save.
      document_->Change(StepName(command), [command](SceneSettings* scene) {
        MatSettings& mat = scene->mats[command - kCommandShowOuterMat];
        mat.shown = mat.shown != 0 ? 0 : 1;
        return true;
      });
      break;
    case kCommandContents:
      if (handlers_.help) handlers_.help();
      break;
    case kCommandAbout:
      if (handlers_.about) handlers_.about();
      break;
    default:
      break;
  }
}

void MainWindow::OpenDesign(const std::string& path) {
  if (OpenDesignFile(state_, document_, interaction_, path)) DismissPropertyDialogs();
}

void MainWindow::OpenDroppedFile(const std::string& path) {
  if (HasExtension(path, kSettingsExtension) == 0) {
    OpenDesign(path);
    return;
  }
  // LoadPicture refuses a kind it does not read with its own message,
  // before the file is touched.
  const bool framed = document_->Change(StepName(kCommandImage), [this, &path](SceneSettings* design) {
    return FramePicture(state_, design, path, PictureFileTypeOf(path)) == 0;
  });
  if (!framed) return;
  // The Image dialog shows, and on OK would write back, the old picture's
  // size and borders.
  if (QDialog* image = propertyDialog(kCommandImage)) {
    if (auto* property = qobject_cast<PropertyDialog*>(image)) {
      property->Dismiss();
    } else {
      image->done(QDialog::Rejected);
    }
  }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedPath(event->mimeData()).empty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const std::string path = DroppedPath(event->mimeData());
  if (path.empty()) return;
  event->acceptProposedAction();
  // After the drop has ended: a question or a message shown inside it would
  // hold the program the file came from until it is answered.
  QTimer::singleShot(0, this, [this, path]() { OpenDroppedFile(path); });
}

void MainWindow::DismissPropertyDialogs() {
  for (auto& [command, dialog] : dialogs_) {
    if (!dialog) continue;
    // Cancel would write the old design's values into the new one.
    if (auto* property = qobject_cast<PropertyDialog*>(dialog.data())) {
      property->Dismiss();
    } else {
      dialog->done(QDialog::Rejected);
    }
  }
}

void MainWindow::OpenPropertyDialog(int command) {
  if (QDialog* open = propertyDialog(command)) {
    open->raise();
    open->activateWindow();
    return;
  }
  if (!handlers_.makePropertyDialog) return;
  QDialog* dialog = handlers_.makePropertyDialog(command, this);
  if (dialog == nullptr) return;
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setModal(false);
  dialogs_[command] = dialog;
  // The placement is kept for the rest of the run and given back when the
  // same dialog opens again.
  connect(dialog, &QDialog::finished, this,
          [this, command, dialog]() { placements_[command] = dialog->geometry(); });
  auto placement = placements_.find(command);
  if (placement != placements_.end()) {
    dialog->setGeometry(placement->second);
  } else if (QScreen* screen = this->screen();
             screen != nullptr && command >= kCommandImage && command <= kCommandBackground) {
    // Centred over the design (Qt's choice) a dialog hides what it changes.
    // The main window's frame stands in for the dialog's, not known before
    // it is shown.
    dialog->adjustSize();
    const QSize frame = dialog->size() + frameGeometry().size() - geometry().size();
    const QRect drawing(view_->mapToGlobal(QPoint(0, 0)), view_->size());
    dialog->move(FirstPlacement(drawing, frame, screen->availableGeometry(), command - kCommandImage));
  }
  dialog->show();
}

void MainWindow::FollowScreenProfile() {
  if (!screenProfile_) return;
  qsizetype index = 0;
  if (const QWindow* handle = windowHandle(); handle != nullptr && handle->screen() != nullptr) {
    index = std::max<qsizetype>(0, QGuiApplication::screens().indexOf(handle->screen()));
  }
  IccProfile profile = screenProfile_(static_cast<int>(index));
  if (profile == state_->monitorProfile) return;
  UseMonitorProfile(std::move(profile), &state_->monitorProfile, &state_->colorimetry);
  // The lighting is worked out for the monitor, so the design is rendered
  // again, not only converted again.
  RenderAndRepaint();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (followingScreen_ || windowHandle() == nullptr) return;
  followingScreen_ = true;
  connect(windowHandle(), &QWindow::screenChanged, this, &MainWindow::FollowScreenProfile);
  // Start-up read the first screen's profile; the window may open on another.
  FollowScreenProfile();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!ConfirmDiscardChanges(state_, document_, interaction_)) {
    event->ignore();
    return;
  }
  for (auto& [command, dialog] : dialogs_) {
    if (dialog) dialog->close();
  }
  event->accept();
}
