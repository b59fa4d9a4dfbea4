// Vectorlume's entry point: the command line.
#include "app/cli.h"

int main(int argc, char** argv) { return vl::app::RunCommandLine(argc, argv); }
