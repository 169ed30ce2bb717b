// TavrinLauncher: what the browser's shortcuts start. A GUI-subsystem
// program that never opens a window and always ends with exit code 0.
#include "main_flow.h"

int main(int argc, char** argv) { return tavrin::runLauncher(argc, argv); }
