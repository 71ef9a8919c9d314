// frameRunner's window: pick the XCF image, one of its timelines, the first
// frame's file and the GIMP to run; the choices and window placements are
// kept in the key file between runs.
#pragma once

// Shows the window (initialising GTK) and renders on OK. Exit status as for
// the command line; 0 also when the window was cancelled.
int qv_runner_dialog(int argc, char **argv);
