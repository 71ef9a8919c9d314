// Where the suite's clipboard formats live between plug-in runs. A plug-in
// process ends after every run, so what one run copies must outlive it: each
// format is a file in GIMP's user folder, replaced whole (written to a
// temporary file and renamed), so that a copy in one run is pasted in a
// later run, into another image, with or without a display, and in a
// second GIMP of the same user.
#pragma once

#include <glib.h>

#include <optional>
#include <string>
#include <vector>

enum class QVClipboardFormat { paths, text };

// The store's file for a format ("qv-clipboard-paths.bin" or
// "qv-clipboard-text.txt" in gimp_directory()).
std::string qv_clipboard_store_file(QVClipboardFormat format);

// Replaces the stored content; false, with a message, when it could not be
// written (the old content then stays whole).
bool qv_clipboard_store_write(QVClipboardFormat format, const std::vector<guint8> &content);

// The stored content; none when nothing was stored, or with a reason in
// `why` when the store cannot be read.
std::optional<std::vector<guint8>> qv_clipboard_store_read(QVClipboardFormat format,
                                                           std::string *why = nullptr);

// Text (a style to transfer, a file name, any text): kept in the store and,
// when a display is there, put on the desktop's clipboard too and handed to
// a clipboard manager, so that other programs can paste it after the
// plug-in has ended.
bool qv_clipboard_text_put(const std::string &text);

// The text to paste. With a display, the desktop's clipboard wins when it
// holds text: it is what the user copied last, here or in another program
// (the suite's own copies put the same text in both places). Without a
// display, or when the desktop's clipboard holds no text, the store's.
std::optional<std::string> qv_clipboard_text_get();
