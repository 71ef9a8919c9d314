// Out-of-memory is fatal for the suite: the plug-in logs the site's own
// "Abort, ... failed!" text and ends with exit code 1, so GIMP reports the
// crash of one procedure instead of the suite limping on with half a state.
#pragma once

#include <new>

[[noreturn]] void qv_abort(const char *what);

// Runs `fn`; when it throws std::bad_alloc the process ends through
// qv_abort(what). Used at the sites that have their own abort text.
template <typename Fn>
auto qv_or_abort(const char *what, Fn &&fn) -> decltype(fn()) {
  try {
    return fn();
  } catch (const std::bad_alloc &) {
    qv_abort(what);
  }
}
