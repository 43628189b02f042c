#pragma once

// Each command takes its arguments with its own name as argv[0] and returns
// the exit status.
int RunExtractCommand(int argc, char** argv);
int RunPreviewCommand(int argc, char** argv);
int RunSearchCommand(int argc, char** argv);
int RunCacheCommand(int argc, char** argv);
int RunIndexCommand(int argc, char** argv);
int RunServeCommand(int argc, char** argv);
