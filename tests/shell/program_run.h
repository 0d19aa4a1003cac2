// The desktop program started from a temporary program folder, with scripted
// answers standing in for every dialog and message box.
#pragma once

#include <QDialog>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "core/hooks.h"
#include "scene/settings_file.h"
#include "shell/app_state.h"
#include "shell/document.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "support/files.h"
#include "support/scripted.h"

// A program folder with the build's generated assets beside it, as they lie
// beside the installed program.
struct ProgramFolder : TempFolder {
  ProgramFolder() {
    const std::filesystem::path build = qEnvironmentVariable("PASSAVUE_BUILD_DIR").toStdString();
    for (const char* assets : {"Textures", "Frames"})
      std::filesystem::create_directory_symlink(build / assets, Root() / assets);
  }
};

// One run of the program; the store outlives it as the settings file does.
struct Run {
  ScriptedInteraction interaction;
  std::unique_ptr<AppState> state = std::make_unique<AppState>();
  Document design;
  std::unique_ptr<MainWindow> window;

  Run(const ProgramFolder& folder, MapStore* store, const std::vector<std::string>& arguments = {}) {
    SetErrorHook([this](const std::string& message) { interaction.ShowErrorBox(message); });
    PrepareState(state.get(), store, folder.Root().string());
    CommandHandlers handlers;
    handlers.makePropertyDialog = [](int, QWidget* owner) { return new QDialog(owner); };
    window = std::make_unique<MainWindow>(state.get(), &design, &interaction, handlers);
    window->setGeometry(20, 20, 800, 600);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    OpenStartupFiles(state.get(), window.get(), arguments);
  }
  ~Run() { SetErrorHook(nullptr); }
  Document* document() { return window->document(); }
  // Set up behind the history's back, as a file read would.
  SceneSettings& scene() { return *document()->boundDesign(); }
};

inline void WriteDesign(const std::string& path, double ratio) {
  SceneSettings scene;
  InitScene(&scene);
  scene.background.ratio = ratio;
  std::string folder;
  QCOMPARE(SaveSettingsFileAs(path, &scene, &folder), 0);
}
