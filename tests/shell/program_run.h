// The desktop program started from a temporary program folder, with scripted
// answers standing in for every dialog and message box.
#pragma once

#include <QtTest>
#include <QtWidgets>
#include <filesystem>
#include <memory>

#include "core/hooks.h"
#include "render/render.h"
#include "scene/settings_file.h"
#include "shell/app_state.h"
#include "shell/control_ids.h"
#include "shell/design_commands.h"
#include "shell/document.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "support/files.h"
#include "support/pictures.h"
#include "support/scripted.h"

// The build's generated assets lie beside the program folder, as they lie
// beside the installed program; the store outlives a run as the settings
// file does. Start() runs the program (again each time it is called); a
// test that lays files out first starts it itself.
struct Run {
  TempFolder folder;
  MapStore store;
  ScriptedInteraction interaction;
  CommandHandlers handlers;  // plain dialogs unless a test brings the real ones
  std::unique_ptr<AppState> state;
  std::unique_ptr<Document> document;
  std::unique_ptr<MainWindow> window;

  explicit Run(bool start = true) {
    const std::filesystem::path build = qEnvironmentVariable("PASSAVUE_BUILD_DIR").toStdString();
    for (const char* assets : {"Textures", "Frames"})
      std::filesystem::create_directory_symlink(build / assets, folder.Root() / assets);
    handlers.makePropertyDialog = [](int, QWidget* owner) { return new QDialog(owner); };
    if (start) Start();
  }
  void Start(const std::vector<std::string>& arguments = {}) {
    window.reset();
    document = std::make_unique<Document>();
    state = std::make_unique<AppState>();
    SetErrorHook([this](const std::string& message) { interaction.ShowErrorBox(message); });
    PrepareState(state.get(), &store, folder.Root().string());
    window = std::make_unique<MainWindow>(state.get(), document.get(), &interaction, handlers);
    window->setGeometry(20, 20, 800, 600);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    OpenStartupFiles(state.get(), window.get(), arguments);
  }
  ~Run() {
    window.reset();
    SetErrorHook(nullptr);
  }
  // Set up behind the history's back, as a file read would.
  SceneSettings& design() { return *document->boundDesign(); }
  // The design as its file would hold it, leaving the document alone; with
  // the overall size the document keeps, which a test's own edits skip.
  FileBytes DesignBytes() {
    SceneSettings copy = design();
    ComputeOverallSize(&copy);
    std::string unused;
    return SaveSettingsFileAs(folder.Path("copy.Passavue"), &copy, &unused) == 0
               ? ReadAll(folder.Path("copy.Passavue"))
               : FileBytes{};
  }
};

inline void WriteDesign(const std::string& path, double ratio) {
  SceneSettings scene;
  InitScene(&scene);
  scene.background.ratio = ratio;
  std::string folder;
  QCOMPARE(SaveSettingsFileAs(path, &scene, &folder), 0);
}
