// Ownership of main-loop sources for frameRunner: a timeout, a child watch or
// a signal source is removed when its holder goes.
#pragma once

#include <glib.h>

#include <utility>

// Holds a source id from g_timeout_add and the like and removes the source
// when reset or destroyed. The source's callback must keep returning
// G_SOURCE_CONTINUE (or the holder must release() the id before it returns
// G_SOURCE_REMOVE): removing an id GLib already dropped is an error.
class QVSourceId {
 public:
  QVSourceId() = default;
  explicit QVSourceId(guint id) : id_(id) {}
  ~QVSourceId() { reset(); }
  QVSourceId(const QVSourceId &) = delete;
  QVSourceId &operator=(const QVSourceId &) = delete;
  QVSourceId(QVSourceId &&other) noexcept : id_(std::exchange(other.id_, 0)) {}
  QVSourceId &operator=(QVSourceId &&other) noexcept {
    if (this != &other) {
      reset();
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }

  void reset(guint id = 0) {
    if (id_ != 0) g_source_remove(id_);
    id_ = id;
  }
  guint release() { return std::exchange(id_, 0); }
  explicit operator bool() const { return id_ != 0; }

 private:
  guint id_ = 0;
};
