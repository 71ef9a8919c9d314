#include "gimp/services/qv_image_path_gimp.h"

#include <glib/gi18n-lib.h>

#include <array>
#include <memory>
#include <vector>

#include "core/qv_filename.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_render_timing.h"
#include "core/qv_xcf.h"
#include "core/qv_xcf_timelines.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/style/qv_style_gimp.h"

const char *const QV_RELATIVE_NAMES_KEY = "qv-relative-image-path-names";

namespace {

constexpr const char *kLastScript = "qv-last-a-scriptfile";
constexpr const char *kScriptGeometry = "qv-dialog-script-path-create";
constexpr const char *kLastImage = "qv-last-image-path";
constexpr const char *kLastSymbol = "qv-last-symbol-path";
constexpr const char *kImageGeometry = "qv-dialog-image-path-create";
constexpr const char *kSymbolGeometry = "qv-dialog-symbol-path-create";
constexpr const char *kPresets = "qv-origin-destination-presets";
constexpr int kPreviewSize = 160;

std::optional<std::string> last_file(const char *parasite) {
  if (!qv_global_parasite_listed(parasite)) return std::nullopt;
  auto file = qv_global_string_get(parasite);
  if (!file || file->empty()) return std::nullopt;
  return file;
}

// GTK hands file names in the file-name encoding; the styles speak UTF-8.
std::string chooser_file(GtkWidget *chooser) {
  const std::string native =
      qv_take_string(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser)));
  if (native.empty()) return native;
  return qv_filename_to_utf8(native.c_str()).value_or(native);
}

void start_at(GtkWidget *chooser, const std::optional<std::string> &file) {
  if (!file) return;
  if (const auto native = qv_filename_from_utf8(file->c_str()))
    gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), native->c_str());
}

void add_filter(GtkWidget *chooser, const char *name,
                std::initializer_list<const char *> patterns) {
  GtkFileFilter *filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, name);
  for (const char *pattern : patterns) gtk_file_filter_add_pattern(filter, pattern);
  gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
}

}  // namespace

std::optional<std::string> qv_image_file(gint32 image) {
  std::string file = qv_take_string(gimp_image_get_filename(image));
  if (file.empty()) return std::nullopt;
  return file;
}

bool qv_relative_names_wanted() {
  return qv_take_string(gimp_gimprc_query(QV_RELATIVE_NAMES_KEY)) == "TRUE";
}

std::string qv_image_file_reference(gint32 image, const std::string &file, bool relative) {
  if (!relative) return file;
  return qv_filename_relative(file, qv_image_file(image)).value_or(file);
}

// --- Script keyspline ---------------------------------------------------------

namespace {

// The last file chosen, else the image's folder.
void start_where_expected(GtkWidget *chooser, const std::optional<std::string> &last,
                          gint32 image) {
  if (last) {
    start_at(chooser, last);
  } else if (const auto file = qv_image_file(image)) {
    const qv_gstring folder(g_path_get_dirname(file->c_str()));
    if (const auto native = qv_filename_from_utf8(folder.get()))
      gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), native->c_str());
  }
}

}  // namespace

QVScriptChooser qv_script_chooser_build(gint32 image) {
  QVScriptChooser chooser;
  chooser.dialog.reset(gtk_file_chooser_dialog_new(
      _("Select Script-File"), nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, _("Cancel"),
      GTK_RESPONSE_CANCEL, _("Select"), GTK_RESPONSE_OK, nullptr));
  g_object_ref(chooser.dialog.get());
  GtkWidget *files = chooser.dialog.get();
  gtk_dialog_set_default_response(GTK_DIALOG(files), GTK_RESPONSE_OK);
  add_filter(files, "*.txt; *.scm", {"*.txt", "*.scm"});
  add_filter(files, "*.scm", {"*.scm"});
  add_filter(files, "*.txt", {"*.txt"});
  chooser.relative = gtk_check_button_new_with_label(_("use relative filename"));
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(chooser.relative), qv_relative_names_wanted());
  gtk_file_chooser_set_extra_widget(GTK_FILE_CHOOSER(files), chooser.relative);
  start_where_expected(files, last_file(kLastScript), image);
  return chooser;
}

std::optional<QVChosenFile> qv_script_chooser_run(gint32 image) {
  if (!qv_dialog_toolkit_init()) return std::nullopt;
  QVScriptChooser chooser = qv_script_chooser_build(image);
  GtkWindow *window = GTK_WINDOW(chooser.dialog.get());
  int state = 0;
  qv_dialog_geometry_restore(window, kScriptGeometry, &state);
  std::optional<QVChosenFile> chosen;
  if (gtk_dialog_run(GTK_DIALOG(window)) == GTK_RESPONSE_OK) {
    const std::string file = chooser_file(chooser.dialog.get());
    const bool relative = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(chooser.relative));
    gimp_gimprc_set(QV_RELATIVE_NAMES_KEY, relative ? "TRUE" : "FALSE");
    if (!file.empty()) {
      qv_global_string_set(kLastScript, file);
      chosen = QVChosenFile{file, relative};
    }
  }
  qv_dialog_geometry_save(window, kScriptGeometry, state, QV_GEOMETRY_POSITION | QV_GEOMETRY_SIZE);
  return chosen;
}

// --- What a file offers -------------------------------------------------------

namespace {

struct QVTimelineOffer {
  std::string name;
  double seconds = 0;
};

// A file as the dialog sees it: its size, and for an XCF its layers and
// timelines. `problem` says why it cannot be placed.
struct QVSourceFile {
  std::string file;
  bool xcf = false;
  int width = 0, height = 0;
  std::vector<QVXcfLayer> layers;
  std::vector<QVTimelineOffer> timelines;
  std::string problem;
};

// Pictures that GDK cannot read (PSD, PDF, ...) are opened by GIMP once
// for their size; a file neither can read is no picture.
bool picture_size(const std::string &utf8, int &width, int &height) {
  const auto native = qv_filename_from_utf8(utf8.c_str());
  if (!native) return false;
  if (gdk_pixbuf_get_file_info(native->c_str(), &width, &height) && width > 0 && height > 0)
    return true;
  const gint32 opened = gimp_file_load(GIMP_RUN_NONINTERACTIVE, native->c_str(), native->c_str());
  if (opened < 1) return false;
  width = gimp_image_width(opened);
  height = gimp_image_height(opened);
  gimp_image_delete(opened);
  return true;
}

QVSourceFile read_source(const std::string &file) {
  QVSourceFile source;
  source.file = file;
  if (file.empty()) {
    source.problem = _("No file is selected!");
    return source;
  }
  const auto native = qv_filename_from_utf8(file.c_str());
  if (!native || !g_file_test(native->c_str(), G_FILE_TEST_IS_REGULAR)) {
    source.problem = qv_take_string(g_strdup_printf("File not exists:\n\"%s\"", file.c_str()));
    return source;
  }
  const QVXcfRead xcf = qv_xcf_read_file(file, true);
  if (xcf.image) {
    source.xcf = true;
    source.width = static_cast<int>(xcf.image->width);
    source.height = static_cast<int>(xcf.image->height);
    source.layers = xcf.image->layers;
    for (const QVTimelineInfo &timeline : qv_xcf_timelines(*xcf.image).timelines)
      source.timelines.push_back(
          {timeline.name, qv_ahdr_outpoint(timeline.header) - timeline.header.inpoint});
    return source;
  }
  if (xcf.error.rfind("not a GIMP XCF image", 0) != 0) {
    source.problem = std::string(_("No valid *.xcf file!")) + "\n" + xcf.error;
    return source;
  }
  if (!picture_size(file, source.width, source.height))
    source.problem = qv_take_string(g_strdup_printf("No valid image file:\n\"%s\"", file.c_str()));
  return source;
}

std::optional<GdkPixbuf *> thumbnail_of(const std::string &file, const QVSourceFile &source) {
  const auto native = qv_filename_from_utf8(file.c_str());
  if (!native) return std::nullopt;
  if (!source.xcf) {
    GdkPixbuf *picture = gdk_pixbuf_new_from_file_at_scale(native->c_str(), kPreviewSize,
                                                           kPreviewSize, TRUE, nullptr);
    if (picture) return picture;
    return std::nullopt;
  }
  // GIMP keeps XCF thumbnails where every desktop does: named by the MD5
  // of the file's URI.
  const std::string uri = qv_take_string(g_filename_to_uri(native->c_str(), nullptr, nullptr));
  if (uri.empty()) return std::nullopt;
  const std::string md5 =
      qv_take_string(g_compute_checksum_for_string(G_CHECKSUM_MD5, uri.c_str(), -1));
  for (const char *size : {"large", "normal"}) {
    const std::string thumb = qv_take_string(g_build_filename(
        g_get_user_cache_dir(), "thumbnails", size, (md5 + ".png").c_str(), nullptr));
    if (GdkPixbuf *picture = gdk_pixbuf_new_from_file_at_scale(thumb.c_str(), kPreviewSize,
                                                               kPreviewSize, TRUE, nullptr))
      return picture;
  }
  return std::nullopt;
}

std::string describe(const QVSourceFile &source) {
  if (!source.problem.empty() || source.file.empty()) return source.problem;
  std::string text = qv_take_string(g_strdup_printf("%d × %d", source.width, source.height));
  if (source.xcf) {
    text +=
        qv_take_string(g_strdup_printf(ngettext("\n%d layer", "\n%d layers", source.layers.size()),
                                       static_cast<int>(source.layers.size())));
    text += qv_take_string(
        g_strdup_printf(ngettext("\n%d timeline", "\n%d timelines", source.timelines.size()),
                        static_cast<int>(source.timelines.size())));
  }
  return text;
}

// --- The dialog ---------------------------------------------------------------

struct QVImagePathState {
  QVImagePathWidgets widgets;
  gint32 image = -1;
  gint32 drawable = -1;
  bool symbol = false;
  QVSourceFile source;
};

QVImagePathState &state_of(GtkWidget *dialog) {
  return *static_cast<QVImagePathState *>(g_object_get_data(G_OBJECT(dialog), "qv-image-path"));
}

void say(const QVImagePathState &state, const std::string &text) {
  gtk_label_set_text(GTK_LABEL(state.widgets.status), text.c_str());
}

void fill_combo(GtkWidget *combo, const std::vector<std::string> &items) {
  GtkTreeModel *model = gtk_combo_box_get_model(GTK_COMBO_BOX(combo));
  gtk_list_store_clear(GTK_LIST_STORE(model));
  for (const std::string &item : items)
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), item.c_str());
  if (!items.empty()) gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
  gtk_widget_set_sensitive(combo, !items.empty());
}

std::string combo_text(GtkWidget *combo) {
  return qv_take_string(gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo)));
}

std::vector<std::string> layer_names(const QVSourceFile &source) {
  std::vector<std::string> names;
  for (const QVXcfLayer &layer : source.layers) names.push_back(layer.name);
  return names;
}

// Radios and combos follow what the file offers: layers and timelines only
// of an XCF, the chosen radio's combo alone sensitive.
void update_choices(QVImagePathState &state) {
  const QVImagePathWidgets &w = state.widgets;
  if (state.symbol) return;
  const bool layers = state.source.xcf && !state.source.layers.empty();
  const bool timelines = state.source.xcf && !state.source.timelines.empty();
  gtk_widget_set_sensitive(w.use_layer, layers);
  gtk_widget_set_sensitive(w.use_timeline, timelines);
  if ((!layers && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.use_layer))) ||
      (!timelines && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.use_timeline))))
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.whole), TRUE);
  gtk_widget_set_sensitive(w.layers, gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.use_layer)));
  gtk_widget_set_sensitive(w.timelines,
                           gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.use_timeline)));
}

void on_choice_toggled(GtkToggleButton *, gpointer dialog) {
  update_choices(state_of(static_cast<GtkWidget *>(dialog)));
}

void show_source(QVImagePathState &state) {
  const QVImagePathWidgets &w = state.widgets;
  const QVSourceFile &source = state.source;
  const auto picture = thumbnail_of(source.file, source);
  if (picture) {
    gtk_image_set_from_pixbuf(GTK_IMAGE(w.preview), *picture);
    g_object_unref(*picture);
  } else {
    gtk_image_set_from_stock(GTK_IMAGE(w.preview), GTK_STOCK_FILE, GTK_ICON_SIZE_DIALOG);
  }
  gtk_label_set_text(GTK_LABEL(w.preview_text), describe(source).c_str());
  // A layer or timeline asked for of a file that has none is said once,
  // when the choice falls back to the whole image.
  const bool wanted_xcf =
      !state.symbol && (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.use_layer)) ||
                        gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.use_timeline)));
  if (state.symbol) {
    fill_combo(w.symbols, qv_symbol_layers(layer_names(source)));
  } else {
    fill_combo(w.layers, layer_names(source));
    std::vector<std::string> timelines;
    for (const auto &timeline : source.timelines) timelines.push_back(timeline.name);
    fill_combo(w.timelines, timelines);
    update_choices(state);
  }
  std::string note;
  if (source.problem.empty() && !source.xcf && (state.symbol || wanted_xcf))
    note = state.symbol ? _("Symbol can only be obtained from a GIMP *.xcf file!")
                        : _("Layer or Timeline can only be obtained from a GIMP *.xcf file!");
  else if (source.problem.empty() && state.symbol && qv_symbol_layers(layer_names(source)).empty())
    note = _("No symbol in this file: symbols are layers named like \"[Star]\".");
  say(state, note);
}

void on_selection_changed(GtkFileChooser *, gpointer dialog) {
  QVImagePathState &state = state_of(static_cast<GtkWidget *>(dialog));
  const std::string file = chooser_file(state.widgets.chooser);
  if (file.empty() || file == state.source.file) return;
  // Folders are walked through, not read.
  const auto native = qv_filename_from_utf8(file.c_str());
  if (native && g_file_test(native->c_str(), G_FILE_TEST_IS_DIR)) return;
  state.source = read_source(file);
  show_source(state);
}

void on_file_activated(GtkFileChooser *, gpointer dialog) {
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
}

void set_frame(const QVImagePathState &state, double x, double y, double width, double height) {
  const QVImagePathWidgets &w = state.widgets;
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.x), x);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.y), y);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.width), width);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.height), height);
}

// The selection's bounds; without one the drawable's corners.
struct QVFrameBox {
  int x = 0, y = 0, width = 0, height = 0;
  bool selection = false;
};
QVFrameBox selection_or_drawable(gint32 image, gint32 drawable) {
  QVFrameBox box;
  gboolean non_empty = FALSE;
  gint x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  gimp_selection_bounds(image, &non_empty, &x1, &y1, &x2, &y2);
  if (non_empty) return {x1, y1, x2 - x1, y2 - y1, true};
  if (!gimp_item_is_valid(drawable))
    return {0, 0, gimp_image_width(image), gimp_image_height(image)};
  gimp_drawable_offsets(drawable, &box.x, &box.y);
  box.width = gimp_drawable_width(drawable);
  box.height = gimp_drawable_height(drawable);
  return box;
}

bool calculate_origin(const QVImagePathState &state) {
  const QVFrameBox box = selection_or_drawable(state.image, state.drawable);
  set_frame(state, box.x, box.y, box.width, box.height);
  return box.selection;
}

void on_calculate(GtkButton *, gpointer dialog) {
  const QVImagePathState &state = state_of(static_cast<GtkWidget *>(dialog));
  if (!calculate_origin(state)) say(state, _("No Selection! The drawable's corners are used."));
}

std::optional<std::array<double, 4>> read_presets() {
  if (!qv_global_parasite_listed(kPresets)) return std::nullopt;
  const auto text = qv_global_string_get(kPresets);
  if (!text) return std::nullopt;
  std::array<double, 4> values{};
  const char *at = text->c_str();
  for (double &value : values) {
    char *end = nullptr;
    value = g_ascii_strtod(at, &end);
    if (end == at) return std::nullopt;
    at = end;
  }
  return values;
}

void on_presets(GtkButton *, gpointer dialog) {
  const QVImagePathState &state = state_of(static_cast<GtkWidget *>(dialog));
  const QVImagePathWidgets &w = state.widgets;
  std::string text;
  for (GtkWidget *spin : {w.x, w.y, w.width, w.height}) {
    char number[G_ASCII_DTOSTR_BUF_SIZE];
    g_ascii_formatd(number, sizeof number, "%0.0f",
                    gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin)));
    text += (text.empty() ? "" : " ") + std::string(number);
  }
  qv_global_string_set(kPresets, text);
  say(state, _("The frame is kept as the preset of new image paths."));
}

GtkWidget *spin_button() {
  GtkWidget *spin = gtk_spin_button_new_with_range(-100000, 100000, 1);
  gtk_spin_button_set_digits(GTK_SPIN_BUTTON(spin), 0);
  gtk_entry_set_activates_default(GTK_ENTRY(spin), TRUE);
  return spin;
}

void attach(GtkWidget *table, GtkWidget *widget, int column, int row, bool expand = false) {
  gtk_table_attach(GTK_TABLE(table), widget, column, column + 1, row, row + 1,
                   expand ? GtkAttachOptions(GTK_EXPAND | GTK_FILL) : GTK_FILL, GTK_FILL, 4, 3);
}

GtkWidget *label(const char *text) {
  GtkWidget *widget = gtk_label_new(text);
  gtk_misc_set_alignment(GTK_MISC(widget), 0.0f, 0.5f);
  return widget;
}

GtkWidget *framed(const char *title, GtkWidget *child) {
  GtkWidget *frame = gtk_frame_new(title);
  gtk_container_set_border_width(GTK_CONTAINER(child), 6);
  gtk_container_add(GTK_CONTAINER(frame), child);
  return frame;
}

// "Layer | Timeline!": the whole picture, a layer or a timeline of an XCF;
// for a symbol path the symbol instead.
GtkWidget *source_frame(QVImagePathWidgets &w, GtkWidget *dialog, bool symbol) {
  GtkWidget *table = gtk_table_new(3, 2, FALSE);
  if (symbol) {
    w.symbols = gtk_combo_box_text_new();
    attach(table, label(_("Symbol:")), 0, 0);
    attach(table, w.symbols, 1, 0, true);
    return framed(_("Symbol"), table);
  }
  w.whole = gtk_radio_button_new_with_label(nullptr, _("whole image"));
  w.use_layer =
      gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(w.whole), _("use layer"));
  w.use_timeline =
      gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(w.whole), _("use timeline"));
  w.layers = gtk_combo_box_text_new();
  w.timelines = gtk_combo_box_text_new();
  attach(table, w.whole, 0, 0);
  attach(table, w.use_layer, 0, 1);
  attach(table, w.layers, 1, 1, true);
  attach(table, w.use_timeline, 0, 2);
  attach(table, w.timelines, 1, 2, true);
  for (GtkWidget *radio : {w.whole, w.use_layer, w.use_timeline})
    g_signal_connect(radio, "toggled", G_CALLBACK(on_choice_toggled), dialog);
  return framed(_("Layer | Timeline!"), table);
}

GtkWidget *origin_frame(QVImagePathWidgets &w, GtkWidget *dialog) {
  GtkWidget *table = gtk_table_new(3, 3, FALSE);
  w.x = spin_button();
  w.y = spin_button();
  w.width = spin_button();
  w.height = spin_button();
  attach(table, label(_("x/y:")), 0, 0);
  attach(table, w.x, 1, 0, true);
  attach(table, w.y, 2, 0, true);
  attach(table, label(_("width/height:")), 0, 1);
  attach(table, w.width, 1, 1, true);
  attach(table, w.height, 2, 1, true);
  w.calculate = gtk_button_new_with_label(_("calculate origin"));
  w.presets = gtk_button_new_with_label(_("Set presets"));
  attach(table, w.calculate, 1, 2);
  attach(table, w.presets, 2, 2);
  g_signal_connect(w.calculate, "clicked", G_CALLBACK(on_calculate), dialog);
  g_signal_connect(w.presets, "clicked", G_CALLBACK(on_presets), dialog);
  return framed(_("Origin"), table);
}

GtkWidget *preview_box(QVImagePathWidgets &w) {
  GtkWidget *box = gtk_vbox_new(FALSE, 6);
  w.preview = gtk_image_new();
  gtk_widget_set_size_request(w.preview, kPreviewSize, kPreviewSize);
  w.preview_text = gtk_label_new("");
  gtk_label_set_justify(GTK_LABEL(w.preview_text), GTK_JUSTIFY_CENTER);
  gtk_label_set_line_wrap(GTK_LABEL(w.preview_text), TRUE);
  gtk_widget_set_size_request(w.preview_text, kPreviewSize, -1);
  gtk_box_pack_start(GTK_BOX(box), w.preview, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), w.preview_text, FALSE, FALSE, 0);
  return box;
}

void free_state(gpointer state) { delete static_cast<QVImagePathState *>(state); }

}  // namespace

QVImagePathDialog qv_image_path_dialog_build(gint32 image, gint32 drawable, bool symbol) {
  QVImagePathDialog w;
  w.dialog.reset(gtk_dialog_new_with_buttons(
      symbol ? _("Symbol Path") : _("Image Path"), nullptr, static_cast<GtkDialogFlags>(0),
      _("Cancel"), GTK_RESPONSE_CANCEL, _("OK"), GTK_RESPONSE_OK, nullptr));
  g_object_ref(w.dialog.get());
  GtkWidget *dialog = w.dialog.get();
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gtk_window_set_default_size(GTK_WINDOW(dialog), 900, 660);

  w.chooser = gtk_file_chooser_widget_new(GTK_FILE_CHOOSER_ACTION_OPEN);
  if (symbol) {
    add_filter(w.chooser, _("GIMP *.xcf files"), {"*.xcf", "*.XCF"});
  } else {
    GtkFileFilter *images = gtk_file_filter_new();
    gtk_file_filter_set_name(images, _("Images"));
    gtk_file_filter_add_pixbuf_formats(images);
    gtk_file_filter_add_pattern(images, "*.xcf");
    gtk_file_filter_add_pattern(images, "*.XCF");
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(w.chooser), images);
    add_filter(w.chooser, _("GIMP *.xcf files"), {"*.xcf", "*.XCF"});
  }
  add_filter(w.chooser, _("All files"), {"*"});
  // The preview stays beside the chooser: it shows the file the dialog
  // will place, whichever row the chooser's cursor is on.
  GtkWidget *files = gtk_hbox_new(FALSE, 8);
  gtk_box_pack_start(GTK_BOX(files), w.chooser, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(files), framed(_("Preview"), preview_box(w)), FALSE, FALSE, 0);

  GtkWidget *settings = gtk_hbox_new(TRUE, 8);
  gtk_box_pack_start(GTK_BOX(settings), source_frame(w, dialog, symbol), TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(settings), origin_frame(w, dialog), TRUE, TRUE, 0);
  GtkWidget *toggles = gtk_hbox_new(FALSE, 12);
  w.relative = gtk_check_button_new_with_label(_("use relative filename"));
  w.marker = gtk_check_button_new_with_label(_("use as marker"));
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.relative), qv_relative_names_wanted());
  gtk_box_pack_start(GTK_BOX(toggles), w.relative, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(toggles), w.marker, FALSE, FALSE, 0);
  w.status = gtk_label_new("");
  gtk_misc_set_alignment(GTK_MISC(w.status), 0.0f, 0.5f);
  gtk_label_set_line_wrap(GTK_LABEL(w.status), TRUE);

  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_box_set_spacing(GTK_BOX(content), 8);
  gtk_container_set_border_width(GTK_CONTAINER(content), 8);
  gtk_box_pack_start(GTK_BOX(content), files, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(content), settings, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), toggles, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), w.status, FALSE, FALSE, 0);

  auto *state = new QVImagePathState{w, image, drawable, symbol, {}};
  g_object_set_data_full(G_OBJECT(dialog), "qv-image-path", state, free_state);
  g_signal_connect(w.chooser, "selection-changed", G_CALLBACK(on_selection_changed), dialog);
  g_signal_connect(w.chooser, "file-activated", G_CALLBACK(on_file_activated), dialog);

  // The frame: a selection wins, then the artist's preset, then the drawable.
  const auto presets = read_presets();
  if (!calculate_origin(*state) && presets)
    set_frame(*state, (*presets)[0], (*presets)[1], (*presets)[2], (*presets)[3]);
  show_source(*state);
  start_where_expected(w.chooser, last_file(symbol ? kLastSymbol : kLastImage), image);
  gtk_widget_show_all(content);
  return w;
}

void qv_image_path_dialog_show_file(QVImagePathDialog &dialog, const std::string &file) {
  QVImagePathState &state = state_of(dialog.dialog.get());
  state.source = read_source(file);
  show_source(state);
}

namespace {

bool active(GtkWidget *toggle) {
  return toggle && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(toggle));
}

// Which part of the file the dialog places, or why it cannot.
std::optional<std::string> choose_item(const QVImagePathState &state, QVImagePathPlan &plan) {
  const QVImagePathWidgets &w = state.widgets;
  const QVSourceFile &source = state.source;
  plan.width = source.width;
  plan.height = source.height;
  const bool wants_xcf = state.symbol || active(w.use_layer) || active(w.use_timeline);
  if (wants_xcf && !source.xcf)
    return state.symbol ? _("Symbol can only be obtained from a GIMP *.xcf file!")
                        : _("Layer or Timeline can only be obtained from a GIMP *.xcf file!");
  if (state.symbol || active(w.use_layer)) {
    plan.source = state.symbol ? QVImageSource::symbol : QVImageSource::layer;
    plan.item = combo_text(state.symbol ? w.symbols : w.layers);
    if (plan.item.empty())
      return state.symbol ? _("No symbol in this file: symbols are layers named like \"[Star]\".")
                          : _("No GIMP *.xcf file!");
    for (const QVXcfLayer &layer : source.layers)
      if (layer.name == plan.item) {
        plan.width = static_cast<int>(layer.width);
        plan.height = static_cast<int>(layer.height);
        break;
      }
    return std::nullopt;
  }
  if (active(w.use_timeline)) {
    plan.source = QVImageSource::timeline;
    plan.item = combo_text(w.timelines);
    if (plan.item.empty()) return _("No timeline available!");
    for (const QVTimelineOffer &timeline : source.timelines)
      if (timeline.name == plan.item) plan.timeline_seconds = timeline.seconds;
    return std::nullopt;
  }
  plan.merge_visible = source.xcf && source.layers.size() > 1;
  return std::nullopt;
}

void read_frame(const QVImagePathWidgets &w, QVImagePathPlan &plan) {
  auto value = [](GtkWidget *spin) {
    gtk_spin_button_update(GTK_SPIN_BUTTON(spin));  // a number typed but not yet entered
    return gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(spin));
  };
  plan.x1 = value(w.x);
  plan.y1 = value(w.y);
  plan.x2 = plan.x1 + value(w.width);
  plan.y2 = plan.y1 + value(w.height);
}

}  // namespace

std::optional<QVImagePathPlan> qv_image_path_dialog_plan(QVImagePathDialog &dialog, gint32 image) {
  QVImagePathState &state = state_of(dialog.dialog.get());
  const std::string file = chooser_file(state.widgets.chooser);
  if (!file.empty() && file != state.source.file) {
    state.source = read_source(file);
    show_source(state);
  }
  if (state.source.file.empty()) {
    say(state, _("No file is selected!"));
    return std::nullopt;
  }
  if (!state.source.problem.empty()) {
    say(state, state.source.problem);
    return std::nullopt;
  }
  QVImagePathPlan plan;
  if (const auto problem = choose_item(state, plan)) {
    say(state, *problem);
    return std::nullopt;
  }
  read_frame(state.widgets, plan);
  if (plan.x1 == plan.x2 || plan.y1 == plan.y2) {
    say(state, _("The frame needs a width and a height."));
    return std::nullopt;
  }
  const bool relative = active(state.widgets.relative);
  if (relative && !qv_image_file(image)) {
    say(state,
        _("The image has no file yet: save it first, or turn off \"use relative filename\"."));
    return std::nullopt;
  }
  plan.file = qv_image_file_reference(image, state.source.file, relative);
  plan.marker = active(state.widgets.marker);
  return plan;
}

std::optional<std::string> qv_image_path_write(gint32 image, const QVImagePathPlan &plan) {
  const QVUndoGroup undo(image);
  const std::string name = qv_image_path_name(plan);
  const gint32 vectors = qv_path_write_points(image, name.c_str(), 1, qv_image_path_points(plan));
  if (vectors < 1) return std::nullopt;
  const std::string made = qv_take_string(gimp_item_get_name(vectors));
  qv_path_set_style_attribute(image, made.c_str(), qv_image_path_style(plan));
  return made;
}

namespace {

// Runs the dialog until a path is made or it is cancelled; the dialog says
// what is missing and stays open.
std::optional<std::string> run_dialog(gint32 image, gint32 drawable, bool symbol,
                                      const std::string &file) {
  if (!qv_dialog_toolkit_init()) return std::nullopt;
  QVImagePathDialog dialog = qv_image_path_dialog_build(image, drawable, symbol);
  if (!file.empty()) start_at(dialog.chooser, qv_filename_resolve(file, qv_image_file(image)));
  GtkWindow *window = GTK_WINDOW(dialog.dialog.get());
  const char *geometry = symbol ? kSymbolGeometry : kImageGeometry;
  int window_state = 0;
  qv_dialog_geometry_restore(window, geometry, &window_state);
  gtk_widget_show(dialog.dialog.get());
  std::optional<std::string> made;
  while (gtk_dialog_run(GTK_DIALOG(window)) == GTK_RESPONSE_OK) {
    const auto plan = qv_image_path_dialog_plan(dialog, image);
    if (!plan) continue;
    made = qv_image_path_write(image, *plan);
    qv_global_string_set(symbol ? kLastSymbol : kLastImage,
                         state_of(dialog.dialog.get()).source.file);
    gimp_gimprc_set(QV_RELATIVE_NAMES_KEY, active(dialog.relative) ? "TRUE" : "FALSE");
    break;
  }
  qv_dialog_geometry_save(window, geometry, window_state, QV_GEOMETRY_POSITION | QV_GEOMETRY_SIZE);
  return made;
}

}  // namespace

std::optional<std::string> qv_tools_image_path(gint32 image, gint32 drawable, bool interactive,
                                               const std::string &file) {
  if (interactive || file.empty()) {
    if (!qv_display_available()) {
      qv_user_message("%s", _("No file is selected!"));
      return std::nullopt;
    }
    return run_dialog(image, drawable, false, file);
  }
  const QVSourceFile source = read_source(qv_filename_resolve(file, qv_image_file(image)));
  if (!source.problem.empty()) {
    qv_user_message("%s", source.problem.c_str());
    return std::nullopt;
  }
  QVImagePathPlan plan;
  plan.width = source.width;
  plan.height = source.height;
  plan.merge_visible = source.xcf && source.layers.size() > 1;
  const QVFrameBox box = selection_or_drawable(image, drawable);
  plan.x1 = box.x;
  plan.y1 = box.y;
  plan.x2 = box.x + box.width;
  plan.y2 = box.y + box.height;
  const bool relative = qv_relative_names_wanted() && qv_image_file(image);
  plan.file = qv_image_file_reference(image, source.file, relative);
  return qv_image_path_write(image, plan);
}

std::optional<std::string> qv_tools_symbol_path(gint32 image, gint32 drawable) {
  if (!qv_display_available()) {
    qv_user_message("%s",
                    _("A symbol is chosen in the \"Symbol Path\" dialog, which needs a display."));
    return std::nullopt;
  }
  return run_dialog(image, drawable, true, "");
}
