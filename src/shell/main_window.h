// The main window: the rendered design with its rulers, the menus and every
// command, the click test and the six property dialogs.
#pragma once

#include <QFont>
#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <string>

#include "core/interaction.h"
#include "display/monitor_profile.h"

struct AppState;
class Document;
class QAction;
class QDialog;
class QMenu;

// The drawing area: paints the last rendering and never renders itself.
class DesignView : public QWidget {
  Q_OBJECT
 public:
  DesignView(AppState* state, const Document* document, const QFont* rulerFont, QWidget* parent);

  // Renders at the view's size in device pixels.
  void RenderAtViewSize();
  // The composite row and column under a point of the view.
  void ToComposite(QPoint point, int* c, int* r) const;

 signals:
  void clickedOn(int command);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  AppState* state_;
  const Document* document_;
  const QFont* rulerFont_;
};

// The one place that hands each command its work; the desktop fills it with
// the dialogs, printing and export as they exist.
struct CommandHandlers {
  std::function<void()> print;
  std::function<void()> printSpecifications;
  std::function<void()> exportTiff;
  std::function<void()> preferences;
  std::function<void()> about;
  std::function<void()> help;
  // Makes the property dialog for a Settings command (kCommandImage..kCommandBackground),
  // a Qt child of `owner`, editing the window's document.
  std::function<QDialog*(int command, QWidget* owner)> makePropertyDialog;
};

// The program's icon at every size it ships in, for the windows' title bars.
QIcon ProgramIcon();

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // `document` is the design the window shows and edits, with its history;
  // it outlives the window.
  MainWindow(AppState* state, Document* document, Interaction* interaction, CommandHandlers handlers);

  DesignView* view() const { return view_; }
  Document* document() const { return document_; }
  // Runs a menu command by its identifier (kCommandNew..kCommandRedo).
  void RunCommand(int command);
  // Renders at the view's size and repaints; the window does so whenever
  // its document changes.
  void RenderAndRepaint();
  QAction* action(int command) const;
  QDialog* propertyDialog(int command) const;
  // Sets the check marks as the menus do when they open.
  void UpdateCheckMarks();
  // File > Recent Designs, filled as it is when the File menu opens.
  QMenu* recentDesignsMenu() const { return recentMenu_; }
  void UpdateRecentDesigns();
  // Reads the profile of the screen the window is on; a profile other than
  // the one in use is taken, with the lighting's colorimetry, and the design
  // drawn again. Runs when the window moves to another screen and when the
  // published profiles change.
  void FollowScreenProfile();
  void SetScreenProfileReader(ScreenProfileReader reader) { screenProfile_ = std::move(reader); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  void AddCommand(QMenu* menu, int command, const char* label, bool checkable = false);
  void AddRecentDesignsMenu(QMenu* file);
  void AddShortcuts();
  void OpenPropertyDialog(int command);
  // A recent or dropped design, opened as File > Open opens one.
  void OpenDesign(const std::string& path);
  // A dropped design opens; a dropped picture is framed; anything else is refused.
  void OpenDroppedFile(const std::string& path);
  // The Edit menu's texts name the steps Undo and Redo would take.
  void UpdateEditMenu();
  // After New or Open: every property dialog and its pickers close, and
  // nothing they hold goes back into the design.
  void DismissPropertyDialogs();

  AppState* state_;
  Interaction* interaction_;
  CommandHandlers handlers_;
  Document* document_;
  QFont rulerFont_;
  DesignView* view_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  std::map<int, QAction*> actions_;
  // The modeless property dialogs: Qt children of the window, deleted when
  // they close (WA_DeleteOnClose) or with the window.
  std::map<int, QPointer<QDialog>> dialogs_;
  std::map<int, QRect> placements_;
  ScreenProfileReader screenProfile_ = ReadX11ScreenProfile;
  bool followingScreen_ = false;
};
