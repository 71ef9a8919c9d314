// The timeout holder and the run-until-destroyed loop in the plug-in's own
// main context: sources go with their holder, replaced sources go at once,
// and a window's run ends exactly when the window dies.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include "gimp/ui/qv_dialogs.h"
#include "gimp/ui/qv_main_loop.h"

namespace {

bool source_exists(guint id) {
  return id != 0 && g_main_context_find_source_by_id(nullptr, id) != nullptr;
}

gboolean count_call(gpointer data) {
  ++*static_cast<int *>(data);
  return TRUE;
}

// Runs the default main context for a while, as a dialog's run would.
void spin_for(int ms) {
  const gint64 end = g_get_monotonic_time() + ms * G_GINT64_CONSTANT(1000);
  while (g_get_monotonic_time() < end) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    g_usleep(1000);
  }
}

TEST(MainLoopTimeout, ASourceGoesWithItsHolder) {
  int calls = 0;
  guint id = 0;
  {
    QVTimeoutHolder holder;
    holder.start(5, count_call, &calls);
    id = holder.id();
    EXPECT_TRUE(source_exists(id));
  }
  EXPECT_FALSE(source_exists(id));
  spin_for(50);
  EXPECT_EQ(calls, 0);
}

TEST(MainLoopTimeout, ReplacingRemovesTheOldSourceAndKeepsTheNew) {
  int old_calls = 0, new_calls = 0;
  QVTimeoutHolder holder;
  holder.start(5, count_call, &old_calls);
  const guint old_id = holder.id();
  holder.start(5, count_call, &new_calls);
  EXPECT_FALSE(source_exists(old_id));
  EXPECT_TRUE(source_exists(holder.id()));
  spin_for(50);
  EXPECT_EQ(old_calls, 0);
  EXPECT_GT(new_calls, 0);

  // Moving hands the source over; the moved-from holder removes nothing.
  QVTimeoutHolder taken(std::move(holder));
  EXPECT_EQ(holder.id(), 0u);
  holder.reset();
  EXPECT_TRUE(source_exists(taken.id()));
  taken.reset();
  EXPECT_FALSE(taken);
}

TEST(MainLoopTimeout, ReleaseForgetsWithoutRemoving) {
  int calls = 0;
  QVTimeoutHolder holder;
  holder.start(5, count_call, &calls);
  const guint id = holder.release();
  EXPECT_FALSE(holder);
  EXPECT_TRUE(source_exists(id));
  g_source_remove(id);
}

struct OneShot {
  QVTimeoutHolder holder;
  int calls = 0;
};

gboolean one_shot(gpointer data) {
  auto *shot = static_cast<OneShot *>(data);
  shot->holder.release();
  ++shot->calls;
  return FALSE;
}

void count_message(const gchar *, GLogLevelFlags, const gchar *, gpointer data) {
  ++*static_cast<int *>(data);
}

// A source that GLib already removed must not be removed again: GLib would
// complain, or remove a later source that got the same id.
TEST(MainLoopTimeout, AFinishedSourceIsNotRemovedTwice) {
  OneShot shot;
  shot.holder.start(5, one_shot, &shot);
  const guint id = shot.holder.id();
  spin_for(50);
  EXPECT_EQ(shot.calls, 1);
  EXPECT_FALSE(shot.holder);

  int complaints = 0;
  const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING);
  const guint handler = g_log_set_handler("GLib", levels, count_message, &complaints);
  { QVTimeoutHolder stale(id); }
  g_log_remove_handler("GLib", handler);
  EXPECT_EQ(complaints, 0);
}

// --- Running a window until it is destroyed (needs a display) ---------------------

struct MainLoopWindow : ::testing::Test {
  QVWidgetHolder window;
  QVTimeoutHolder guard;  // ends a run that would hang
  bool guard_fired = false;

  void SetUp() override {
    ASSERT_TRUE(qv_dialog_toolkit_init()) << "no display";
    window.reset(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    g_object_ref(window.get());
    guard.start(5000, fire_guard, this);
  }
  static gboolean fire_guard(gpointer data) {
    auto *self = static_cast<MainLoopWindow *>(data);
    self->guard.release();
    self->guard_fired = true;
    gtk_widget_destroy(self->window.get());
    return FALSE;
  }
};

gboolean destroy_window(gpointer data) {
  gtk_widget_destroy(GTK_WIDGET(data));
  return FALSE;
}

TEST_F(MainLoopWindow, TheRunEndsWhenTheWindowIsDestroyed) {
  gtk_widget_show(window.get());
  int ticks = 0;
  QVTimeoutHolder ticker;
  ticker.start(5, count_call, &ticks);
  g_timeout_add(100, destroy_window, window.get());
  qv_run_until_destroyed(window.get());
  EXPECT_FALSE(guard_fired);
  EXPECT_GT(ticks, 3) << "the loop ran the window's sources meanwhile";
}

TEST_F(MainLoopWindow, ADestroyedWindowEndsTheRunAtOnce) {
  gtk_widget_destroy(window.get());
  qv_run_until_destroyed(window.get());
  EXPECT_FALSE(guard_fired);
}

}  // namespace
