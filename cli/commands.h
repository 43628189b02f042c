#pragma once

#include <cstdio>

// Each command takes the arguments after its name and returns the exit status.
int RunExtractCommand(int argc, char** argv);
int RunSearchCommand(int argc, char** argv);
