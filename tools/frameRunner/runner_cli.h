// frameRunner without a window: every choice comes from the command line,
// nothing is read from or written to the key file, so a script or a remote
// shell always gets the same run for the same command.
#pragma once

// True when the arguments ask for the command-line mode (any argument).
bool qv_runner_cli_wanted(int argc, char **argv);

// Exit status: 0 all blocks rendered, 1 a block failed, 2 bad input
// (nothing was started).
int qv_runner_cli(int argc, char **argv);
