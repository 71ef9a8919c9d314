// Main-loop plumbing for the suite's windows: a holder for a GLib timeout's
// source id, and a nested main loop that runs a non-modal window until it is
// destroyed. A window keeps its timers in holders inside the state it owns,
// so a timer can never outlive the window whose state it points at.
#pragma once

#include <gtk/gtk.h>

#include <utility>

// Owns one GLib source of the default main context by its id. The source
// is removed when the holder is reset, replaced or destroyed. A one-shot
// callback that returns FALSE calls release() first: GLib removes that
// source itself, and the holder must not remove an id that GLib may hand
// out again.
struct QVTimeoutHolder {
  QVTimeoutHolder() = default;
  explicit QVTimeoutHolder(guint id) : id_(id) {}
  ~QVTimeoutHolder() { reset(); }
  QVTimeoutHolder(const QVTimeoutHolder &) = delete;
  QVTimeoutHolder &operator=(const QVTimeoutHolder &) = delete;
  QVTimeoutHolder(QVTimeoutHolder &&other) noexcept : id_(other.release()) {}
  QVTimeoutHolder &operator=(QVTimeoutHolder &&other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  // Removes the held source (if GLib still has it) and holds `id` instead.
  void reset(guint id = 0);
  // Forgets the source without removing it.
  guint release() { return std::exchange(id_, 0); }
  guint id() const { return id_; }
  explicit operator bool() const { return id_ != 0; }

  // Replaces the held source with a new timeout of `interval_ms`.
  void start(guint interval_ms, GSourceFunc callback, gpointer data);

 private:
  guint id_ = 0;
};

// Runs a nested main loop until `window` is destroyed, holding a reference
// to it meanwhile; the caller shows the window first. Returns at once when
// the window is already destroyed. Modal dialogs use gtk_dialog_run instead;
// this is for windows that end themselves (a finished job, a closed editor).
void qv_run_until_destroyed(GtkWidget *window);
