// The Script-Fu bridge: runs Scheme code for the suite with image, draw, av
// and name bound.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>

// Key of the nesting counter in the procedural-database data store: Scheme
// evaluations in progress, across plug-in processes.
extern const char *const QV_SCHEME_COUNTER_KEY;
// Key of the version marker the suite's Scheme side may store; a first byte
// of 1 says its evaluator can be entered while it runs.
extern const char *const QV_SCHEME_VERSION_KEY;
// The PDB names of the suite's evaluator and of GIMP's generic one.
extern const char *const QV_SCHEME_EVAL4_PROC;
extern const char *const QV_SCHEME_GENERIC_EVAL_PROC;

// The stored counter; 0 when nothing of exactly 4 bytes is stored.
gint32 qv_scheme_counter_get();
void qv_scheme_counter_set(gint32 value);
// Raise returns the new value. Lower never goes below 0: an unpaired lower
// must not make a later nested evaluation look like a first one.
gint32 qv_scheme_counter_raise();
void qv_scheme_counter_lower();

// Raises the counter for its lifetime, so every way out lowers it again.
struct QVSchemeNesting {
  gint32 level;
  QVSchemeNesting() : level(qv_scheme_counter_raise()) {}
  ~QVSchemeNesting() { qv_scheme_counter_lower(); }
  QVSchemeNesting(const QVSchemeNesting &) = delete;
  QVSchemeNesting &operator=(const QVSchemeNesting &) = delete;
};

// The script name resolved against the image's file (image id above 0) and
// converted to the file-name encoding; none when the name is only "." and
// ".." components or does not convert.
std::optional<std::string> qv_scheme_resolve_script(gint32 image, const char *script);

// The content of the file the script names when that file can be read,
// else the script text itself (plain Scheme may stand wherever a file name
// is accepted).
std::string qv_scheme_script_text(gint32 image, const char *script);

// Runs the script (file name or Scheme text) with image, draw, av and name
// bound. av is t as text ("%0.10f"), name a Scheme string literal. Uses the
// suite's evaluator unless one is already running, then GIMP's generic one.
// True when the evaluator reported success; the counter is back to its
// previous value in every case.
bool qv_scheme_run_eval4_ref(gint32 image, gint32 drawable, const char *av, const char *name,
                             const char *script);
