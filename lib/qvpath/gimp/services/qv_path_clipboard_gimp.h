// Cutting, copying and pasting paths with everything that belongs to them:
// points, tattoo and every "...-for-path-<tattoo>" parasite (the style among
// them), through the path block of the clipboard store. The clipboard
// plug-in and, later, the style editor use these calls.
#pragma once

#include <libgimp/gimp.h>

// Copy flags.
constexpr int QV_COPY_LOCKED = 1;   // the locked paths too
constexpr int QV_COPY_DELETE = 2;   // delete what was taken (cut)
constexpr int QV_COPY_CURRENT = 4;  // write the current path

// Paste flags.
constexpr int QV_PASTE_NEW_NUMBER = 1;  // as the next free draw-group number "{n}"
constexpr int QV_PASTE_NEW_GROUP = 2;   // as a new path group, keeping the tattoos

// Copies the current path (a helper path: its owner), with QV_COPY_LOCKED
// also every locked path, into the clipboard store. Returns the number of
// paths copied; 0, with a message, when there is no current path (the
// store then keeps what it held).
int qv_paths_copy(gint32 image, int flags);

// Pastes the stored paths into the image in one undo group. Returns the
// number of paths pasted; 0, with a message naming why, when the store holds
// no sound path block (the image is then untouched).
int qv_paths_paste(gint32 image, int flags);

// Whether the store holds a path block that paste would accept.
bool qv_clipboard_holds_paths();
