// Ownership helpers for GLib allocations: every string or vector that GLib or
// GIMP hands us is wrapped at once, so no path through the code has to free
// by hand.
#pragma once

#include <glib.h>

#include <memory>
#include <string>
#include <vector>

struct QVGFree {
  void operator()(void *p) const { g_free(p); }
};
struct QVGStrfreev {
  void operator()(gchar **v) const { g_strfreev(v); }
};

// A g_malloc'ed buffer or string.
template <typename T>
using qv_gptr = std::unique_ptr<T, QVGFree>;
using qv_gstring = std::unique_ptr<gchar, QVGFree>;
// A NULL-terminated string vector of g_malloc'ed strings.
using qv_gstrv = std::unique_ptr<gchar *, QVGStrfreev>;

// Takes ownership of a GLib string and returns a std::string copy
// ("" for NULL), freeing the original.
inline std::string qv_take_string(gchar *s) {
  qv_gstring holder(s);
  return s ? std::string(s) : std::string();
}

// The count is taken by reference on purpose: in the usual call
// qv_take_array(gimp_image_list(&n), n) the count is only set by the inner
// call, and a by-value parameter could be copied before that call runs.

// Takes ownership of a g_malloc'ed array of g_malloc'ed strings of known
// length (as GIMP's name lists are) and returns copies.
inline std::vector<std::string> qv_take_string_array(gchar **v, const int &n) {
  std::vector<std::string> out;
  if (!v) return out;
  for (int i = 0; i < n; ++i) {
    out.emplace_back(v[i] ? v[i] : "");
    g_free(v[i]);
  }
  g_free(v);
  return out;
}

// Takes ownership of a g_malloc'ed array of ids.
template <typename T>
inline std::vector<T> qv_take_array(T *v, const int &n) {
  qv_gptr<T> holder(v);
  return v && n > 0 ? std::vector<T>(v, v + n) : std::vector<T>();
}
