#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

#include "render_command.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return RunRenderCommand(arguments, QCoreApplication::applicationDirPath().toStdString(), std::cout,
                          std::cerr);
}
