#include "gimp/services/qv_clipboard_store.h"

#include <glib/gi18n-lib.h>
#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <libgimp/gimp.h>

#include <sys/stat.h>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_messages.h"
#include "gimp/ui/qv_dialogs.h"

namespace {

// No clipboard content of the suite comes near this; a bigger file is not
// one of ours and is not read into memory.
constexpr goffset kLargestContent = goffset(256) << 20;

}  // namespace

std::string qv_clipboard_store_file(QVClipboardFormat format) {
  const char *name =
      format == QVClipboardFormat::paths ? "qv-clipboard-paths.bin" : "qv-clipboard-text.txt";
  return qv_take_string(g_build_filename(gimp_directory(), name, nullptr));
}

bool qv_clipboard_store_write(QVClipboardFormat format, const std::vector<guint8> &content) {
  const std::string file = qv_clipboard_store_file(format);
  GError *error = nullptr;
  // g_file_set_contents writes a temporary file and renames it over the old.
  if (g_file_set_contents(file.c_str(), reinterpret_cast<const gchar *>(content.data()),
                          static_cast<gssize>(content.size()), &error))
    return true;
  qv_user_message(_("The clipboard could not be written to \"%s\": %s"), file.c_str(),
                  error->message);
  g_error_free(error);
  return false;
}

std::optional<std::vector<guint8>> qv_clipboard_store_read(QVClipboardFormat format,
                                                           std::string *why) {
  const std::string file = qv_clipboard_store_file(format);
  GStatBuf info;
  if (g_stat(file.c_str(), &info) != 0) {
    if (why) *why = _("nothing was copied yet");
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode) || info.st_size > kLargestContent) {
    if (why) *why = _("its store is not a clipboard file");
    return std::nullopt;
  }
  gchar *data = nullptr;
  gsize size = 0;
  GError *error = nullptr;
  if (!g_file_get_contents(file.c_str(), &data, &size, &error)) {
    if (why) *why = error->message;
    g_error_free(error);
    return std::nullopt;
  }
  qv_gstring owned(data);
  return std::vector<guint8>(data, data + size);
}

bool qv_clipboard_text_put(const std::string &text) {
  const bool stored = qv_clipboard_store_write(QVClipboardFormat::text,
                                               std::vector<guint8>(text.begin(), text.end()));
  if (qv_dialog_toolkit_init()) {
    GtkClipboard *clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, text.c_str(), static_cast<gint>(text.size()));
    // Without a clipboard manager the text goes with this process; the
    // store keeps it for the suite either way.
    gtk_clipboard_store(clipboard);
  }
  return stored;
}

std::optional<std::string> qv_clipboard_text_get() {
  if (qv_dialog_toolkit_init()) {
    gchar *text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
    if (text) return qv_take_string(text);
  }
  const auto stored = qv_clipboard_store_read(QVClipboardFormat::text);
  if (!stored) return std::nullopt;
  return std::string(stored->begin(), stored->end());
}
