// The part of GIMP 2.10's wire protocol the PDB call counter and its test use. GIMP
// installs no header for it (libgimpbase/gimpprotocol.h stays in GIMP's
// sources), so the declarations are repeated here, as GIMP 2.10 defines
// them; libgimpbase exports these functions.
#pragma once

#include <glib.h>

extern "C" {

struct QVGPParam;  // never looked into

// GIMP's GPProcRun: the message a process sends to run a PDB procedure.
struct QVGPProcRun {
  gchar *name;
  guint32 nparams;
  QVGPParam *params;
};

void gp_init(void);
// Without a flusher GIMP's wire reports every message as failed.
void gimp_wire_set_flusher(gboolean (*flusher)(GIOChannel *channel, gpointer user_data));
gboolean gp_proc_run_write(GIOChannel *channel, QVGPProcRun *proc_run, gpointer user_data);
}
