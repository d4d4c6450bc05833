// The editor's program: everything it does at start-up is in Startup.cpp, which the start-up
// benchmark runs too.
#include "Startup.h"

int main(int argc, char* argv[]) { return RunTorvanic(argc, argv); }
