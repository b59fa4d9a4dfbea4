// Vectorlume's entry point. The command line arrives with its own change; until then the
// program only reports its version and refuses everything else clearly.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("Vectorlume 0.1");
    return 0;
  }
  std::fputs("Vectorlume: The command line is not available in this build.\n", stderr);
  return 2;
}
