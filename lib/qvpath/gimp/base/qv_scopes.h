// Scope guards for GIMP state that a step changes only for its own time:
// each one's destructor puts back what its constructor opened, however the
// step ends.
#pragma once

#include <libgimp/gimp.h>

// Every context change of one draw happens inside this scope, so the
// caller's colours, brush, opacity, mode and spacing come back whatever
// path the draw takes.
struct QVContextScope {
  QVContextScope() { gimp_context_push(); }
  ~QVContextScope() { gimp_context_pop(); }
  QVContextScope(const QVContextScope &) = delete;
  QVContextScope &operator=(const QVContextScope &) = delete;
};

// One undo step for everything done in the scope.
struct QVUndoGroup {
  gint32 image;
  explicit QVUndoGroup(gint32 id) : image(id) { gimp_image_undo_group_start(image); }
  ~QVUndoGroup() { gimp_image_undo_group_end(image); }
  QVUndoGroup(const QVUndoGroup &) = delete;
  QVUndoGroup &operator=(const QVUndoGroup &) = delete;
};

// An undo group opened only when the scope changes something (`ensure()`
// before the first change), so that a step that finds nothing to do leaves
// no empty undo step behind.
struct QVLazyUndoGroup {
  gint32 image;
  bool open = false;
  explicit QVLazyUndoGroup(gint32 id) : image(id) {}
  void ensure() {
    if (!open) open = gimp_image_undo_group_start(image);
  }
  ~QVLazyUndoGroup() {
    if (open) gimp_image_undo_group_end(image);
  }
  QVLazyUndoGroup(const QVLazyUndoGroup &) = delete;
  QVLazyUndoGroup &operator=(const QVLazyUndoGroup &) = delete;
};

// An image made for a step's own use (a merged duplicate, a measuring
// image, a rendered frame), deleted when the scope ends.
struct QVTempImage {
  gint32 id = -1;
  QVTempImage() = default;
  explicit QVTempImage(gint32 image) : id(image) {}
  ~QVTempImage() {
    if (id > 0 && gimp_image_is_valid(id)) gimp_image_delete(id);
  }
  QVTempImage(const QVTempImage &) = delete;
  QVTempImage &operator=(const QVTempImage &) = delete;
};
