#include "qv_animation.h"

#include <glib/gi18n-lib.h>

#include <string>

#include "qv_draw_current.h"
#include "qv_paths.h"
#include "qv_style_store.h"

int qv_path_animation_draw3(gint32 source_image, const char *path, double t, gint32 target_image,
                            const QVSnapshot *snapshot) {
  if (!qv_rendering_in_progress()) return 0;
  std::string name = path ? path : "";
  if (name.empty()) {
    const auto current = qv_path_current(source_image);
    if (!current) return 0;
    name = *current;
  }
  if (qv_path_tattoo_by_name(source_image, name.c_str(), snapshot) == 0) return 0;
  // The drawing engine is not part of this build: say so plainly instead of
  // pretending the path was drawn.
  g_message(_("Path \"%s\" was not drawn: drawing path styles is not available in this version."),
            name.c_str());
  return 0;
}
