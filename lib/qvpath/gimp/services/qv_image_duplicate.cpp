#include "gimp/services/qv_image_duplicate.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_messages.h"
#include "gimp/ui/qv_dialogs.h"

namespace {

// Every id list GIMP hands out for an owner (image or layer group) has this
// form; the list is freed here.
using IdListCall = gint *(*)(gint32, gint *);

std::vector<gint32> ids_of(IdListCall call, gint32 owner) {
  gint count = 0;
  // Two statements: `count` is only set by the call (see qv_take_array).
  gint *ids = call(owner, &count);
  return qv_take_array(ids, count);
}

bool is_open_image(gint32 image) {
  gint count = 0;
  gint *list = gimp_image_list(&count);
  const auto images = qv_take_array(list, count);
  return std::find(images.begin(), images.end(), image) != images.end();
}

void copy_tattoo(gint32 from, gint32 to) { gimp_item_set_tattoo(to, gimp_item_get_tattoo(from)); }

// Paths are paired by name: GIMP keeps path names unique within an image.
void copy_path_tattoos(gint32 source, gint32 copy) {
  std::map<std::string, gint32> copy_by_name;
  for (gint32 id : ids_of(gimp_image_get_vectors, copy))
    copy_by_name.emplace(qv_take_string(gimp_item_get_name(id)), id);
  for (gint32 id : ids_of(gimp_image_get_vectors, source)) {
    const auto found = copy_by_name.find(qv_take_string(gimp_item_get_name(id)));
    if (found != copy_by_name.end()) copy_tattoo(id, found->second);
  }
}

// Layers are paired by position, level by level: the children of a layer
// group are paired with the children of its counterpart.
void copy_layer_tattoos(const std::vector<gint32> &source, const std::vector<gint32> &copy) {
  const std::size_t n = std::min(source.size(), copy.size());
  for (std::size_t i = 0; i < n; ++i) {
    copy_tattoo(source[i], copy[i]);
    const gint32 source_mask = gimp_layer_get_mask(source[i]);
    if (source_mask > 0) {
      const gint32 copy_mask = gimp_layer_get_mask(copy[i]);
      if (copy_mask > 0) copy_tattoo(source_mask, copy_mask);
    }
    if (gimp_item_is_group(source[i]) && gimp_item_is_group(copy[i]))
      copy_layer_tattoos(ids_of(gimp_item_get_children, source[i]),
                         ids_of(gimp_item_get_children, copy[i]));
  }
}

void copy_channel_tattoos(gint32 source, gint32 copy) {
  const auto from = ids_of(gimp_image_get_channels, source);
  const auto to = ids_of(gimp_image_get_channels, copy);
  for (std::size_t i = 0; i < std::min(from.size(), to.size()); ++i) copy_tattoo(from[i], to[i]);
}

// A failing PDB call answers the plug-in alone for the lifetime of this
// record, instead of GIMP reporting it as an error on the console.
struct QVQuietPdbErrors {
  GimpPDBErrorHandler saved = gimp_plugin_get_pdb_error_handler();
  QVQuietPdbErrors() { gimp_plugin_set_pdb_error_handler(GIMP_PDB_ERROR_HANDLER_PLUGIN); }
  ~QVQuietPdbErrors() { gimp_plugin_set_pdb_error_handler(saved); }
  QVQuietPdbErrors(const QVQuietPdbErrors &) = delete;
  QVQuietPdbErrors &operator=(const QVQuietPdbErrors &) = delete;
};

void open_display(gint32 image) {
  gint32 display = -1;
  {
    // gimp-console has no user interface and refuses every display; that
    // is an ordinary answer there, not an error worth a console line.
    QVQuietPdbErrors quiet;
    display = gimp_display_new(image);
  }
  if (display > 0) {
    gimp_displays_flush();
    return;
  }
  // Without a screen nobody could look at a display anyway: the caller has
  // the image id. With one, the user expected a window and must learn why
  // none came.
  if (qv_display_available())
    qv_user_message(_("No display could be opened for the duplicated image %d!"), image);
}

}  // namespace

gint32 qv_image_duplicate(gint32 image) {
  if (!is_open_image(image)) {
    qv_user_message("%s: %d", _("No valid image ID"), image);
    return 0;
  }
  // Duplicating may draw tattoos from the source's counter: it is put back,
  // so the source hands out the same next tattoo as before.
  const gint tattoo_state = gimp_image_get_tattoo_state(image);
  const gint32 copy = gimp_image_duplicate(image);
  gimp_image_set_tattoo_state(image, tattoo_state);
  if (copy < 1) {
    qv_user_message(_("qv_image_duplicate(%d) failed!"), image);
    return 0;
  }

  copy_path_tattoos(image, copy);
  copy_layer_tattoos(ids_of(gimp_image_get_layers, image), ids_of(gimp_image_get_layers, copy));
  copy_channel_tattoos(image, copy);

  const qv_gstring filename(gimp_image_get_filename(image));
  if (filename && *filename) gimp_image_set_filename(copy, filename.get());
  // Only now that every item carries its final tattoo: GIMP accepts a state
  // only when it is not below any tattoo in use.
  gimp_image_set_tattoo_state(copy, tattoo_state);
  return copy;
}

bool qv_duplicate_mode_valid(gint32 mode) {
  return mode == QV_DUPLICATE_WITH_DISPLAY || mode == QV_DUPLICATE_IMAGE_ONLY ||
         mode == QV_DUPLICATE_REPEAT;
}

gint32 qv_image_duplicate_service(gint32 mode, gint32 image) {
  const gint32 copy = qv_image_duplicate(image);
  if (copy > 0 && mode != QV_DUPLICATE_IMAGE_ONLY) {
    gimp_image_set_filename(copy, "");
    open_display(copy);
  }
  return copy;
}
