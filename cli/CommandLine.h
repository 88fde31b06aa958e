// The command-line host: everything main() does, with its exit status.
#pragma once

int RunCommandLine(int argc, char** argv);
