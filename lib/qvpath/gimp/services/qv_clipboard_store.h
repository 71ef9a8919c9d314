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

enum class QVClipboardFormat { paths, style };

// The store's file for a format ("qv-clipboard-paths.bin" or
// "qv-clipboard-style.txt" in gimp_directory()).
std::string qv_clipboard_store_file(QVClipboardFormat format);

// Replaces the stored content; false, with a message, when it could not be
// written (the old content then stays whole).
bool qv_clipboard_store_write(QVClipboardFormat format, const std::vector<guint8> &content);

// The stored content; none when nothing was stored, or with a reason in
// `why` when the store cannot be read.
std::optional<std::vector<guint8>> qv_clipboard_store_read(QVClipboardFormat format,
                                                           std::string *why = nullptr);
