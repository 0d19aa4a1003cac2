#include "shell/startup.h"

int main(int argc, char** argv) { return RunPassavue(argc, argv); }
