// qv-services-duplicate: a copy of an image that keeps the tattoos of its
// paths, layers, layer masks and channels, its tattoo counter and its file
// name, so that styles, timelines and path groups stay valid on it. This
// file holds the procedure table and the dispatch; the work lives in the
// library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <vector>

#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_procedure_table.h"
#include "gimp/services/qv_image_duplicate.h"

namespace {

const char *const PROC_IMAGE_DUPLICATE = "plug_in_qv_image_duplicate";

#define DUPLICATE_BLURB "Duplicates image!"
#define DUPLICATE_HELP                                                                  \
  "Duplicates image, sets all tattoos of drawables and paths to value of input image, " \
  "sets filename, so that the returned image is valid as the original!"

void run_duplicate(QVCall &call) {
  const gint32 mode = call.param[0].data.d_int32;
  if (!qv_duplicate_mode_valid(mode)) {
    qv_user_message(_("%s: mode %d is neither 0 (with display) nor 1 (image only)!"), call.name,
                    mode);
    qv_reply_status(call.reply, GIMP_PDB_CALLING_ERROR);
    return;
  }
  // A failed duplication is still a successful run that answers 0; the
  // library has said why.
  qv_reply_int(call.reply, qv_image_duplicate_service(mode, call.param[1].data.d_image));
}

// The table is laid out by hand, one procedure to a block.
// clang-format off
const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_IMAGE_DUPLICATE, N_(DUPLICATE_BLURB), N_(DUPLICATE_HELP), N_("Duplicate /w Tattoos"), "<Image>/Image",
       {{GIMP_PDB_INT32, "mode", N_("0=create with Display set filename=\"\" | 1=create Image only")},
        {GIMP_PDB_IMAGE, "image", N_("Input image")},
        {GIMP_PDB_DRAWABLE, "draw", N_("Drawable unused.")}},
       {{GIMP_PDB_INT32, "image", N_("new duplicated image")}},
       run_duplicate},
  };
  return table;
}
// clang-format on

}  // namespace

QV_PLUGIN_MAIN(procedure_table)
