// qv-path-measure: path measurement, perspective transforms and single style
// attributes for scripts. This file holds the procedure table and the
// dispatch; the work lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <array>
#include <cstring>
#include <string>

#include "core/qv_geometry.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_style.h"
#include "core/qv_transform.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_procedure_table.h"
#include "gimp/base/qv_reply.h"
#include "gimp/paths/qv_path_calculate.h"
#include "gimp/paths/qv_transform_gimp.h"
#include "gimp/style/qv_style_getter.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

const char *const PROC_GET_LENGTH = "plug-in-qv-path-get-length";
const char *const PROC_GET_AT_LENGTH = "plug-in-qv-path-get-at-length";
const char *const PROC_GET_NEAR_XY = "plug-in-qv-path-get-nearXY";
const char *const PROC_GET_MIN_MAX = "plug-in-qv-path-get-minMax";
const char *const PROC_NEW_BEGIN = "plug-in-qv-path-new-begin";
const char *const PROC_NEW_END = "plug-in-qv-path-new-end";
const char *const PROC_NEW_BOTH = "plug-in-qv-path-new-both";
const char *const PROC_NEW_MIDDLE = "plug-in-qv-path-new-middle";
const char *const PROC_MATRIX_PERSPECTIVE = "plug-in-qv-matrix3x3-for-perspective";
const char *const PROC_MATRIX_MULTIPLY = "plug-in-qv-matrix3x3-multiply";
const char *const PROC_MATRIX_INVERSE = "plug-in-qv-matrix3x3-inverse";
const char *const PROC_MATRIX_PERSPECTIVE_PATH = "plug-in-qv-matrix3x3-for-perspective-path";
const char *const PROC_TRANSFORM_PATH = "plug-in-qv-transform-path-matrix3x3";
const char *const PROC_TRANSFORM_DRAWABLE = "plug-in-qv-transform-drawable";
const char *const PROC_TRANSFORM_LOCKED_LAYERS = "plug-in-qv-transform-locked-layers";
const char *const PROC_TRANSFORM_LOCKED_PATH = "plug-in-qv-transform-locked-path";
const char *const PROC_TRANSFORM_LOCKED_PATH_LAYERS = "plug-in-qv-transform-locked-path-layers";
const char *const PROC_TRANSFORM_DRAWABLE_MATRIX = "plug-in-qv-transform-drawable-matrix3x3";
const char *const PROC_SET_STYLE = "plug-in-qv-path-set-style-attribute";
const char *const PROC_GET_STYLE = "plug-in-qv-path-get-style-attribute";

const char *const MENU_PATH = "<Image>/QV Path-Tools/Transform Perspective";
#define USAGE_NOTE                                                                           \
  "\nUses GIMP_TRANSFORM_FORWARD, GIMP_INTERPOLATION_CUBIC, supersample TRUE, recursive 3, " \
  "clipping TRUE! See also gimp_drawable_transform_matrix!"
#define DRAWABLE_BLURB                                                                          \
  "Transforms drawable with perspective transform matrix. Matrix made of active path (to) and " \
  "the path below (from)!"
#define LAYERS_BLURB                                                                             \
  "Transforms locked layers with perspective transform matrix. Matrix made of active path (to) " \
  "and the path below (from)!"
#define PATHS_BLURB                                                                                \
  "Transforms locked path with perspective transform matrix. Matrix made of active path (to) and " \
  "the path below (from)!"
#define PATHS_LAYERS_BLURB                                                                      \
  "Transforms locked path and layers with perspective transform matrix. Matrix made of active " \
  "path (to) and the path below (from)!"

const QVParamDef IMAGE = {GIMP_PDB_IMAGE, "image", N_("Input image")};
const QVParamDef PATH_NAME = {GIMP_PDB_STRING, "pathName", N_("or \"\" to use current path!")};
const QVParamDef NEW_NAME = {GIMP_PDB_STRING, "pathNew",
                             N_("or \"\" to use default name for new path!")};
const QVParamDef STYLE_PATH = {GIMP_PDB_STRING, "pathname", N_("pathname to set style attribute!")};
const QVParamDef STYLE_ATTRIBUTE = {
    GIMP_PDB_STRING, "attribute",
    N_("attribute, e.g. 'text-offset: ' or 'TEXT-OFFSET' (transfered to lower case) ... ")};
const QVParamDef MATRIX_RESULT_ARRAY = {GIMP_PDB_FLOATARRAY, "matrix",
                                        N_("3x3 matrix: matrix[0]=a0_0, matrix[1]=a0_1, "
                                           "matrix[2]=a0_2, matrix[3]=a1_0, ... matrix[8]=a2_2")};
const char *const CORNERS =
    N_("x0, y0 (upper-right), x1, y1 (upper-left), x2, y2 (lower-left), x3, y3 (lower-right)");

// The eight values every measuring procedure returns, with the descriptions
// that tell what "length" and the point mean for that procedure.
std::vector<QVParamDef> measured_values(const char *length, const char *angle, const char *point) {
  return {{GIMP_PDB_FLOAT, "length", length},
          {GIMP_PDB_FLOAT, "angle", angle},
          {GIMP_PDB_FLOAT, "x", point},
          {GIMP_PDB_FLOAT, "y", point},
          {GIMP_PDB_FLOAT, "postCx", N_("x control point after xEnd!")},
          {GIMP_PDB_FLOAT, "postCy", N_("y control point after yEnd!")},
          {GIMP_PDB_FLOAT, "prevCx", N_("x control point before xEnd!")},
          {GIMP_PDB_FLOAT, "prevCy", N_("y control point before yEnd!")}};
}

std::vector<QVParamDef> new_path_values() {
  return measured_values(N_("New Path length!"), N_("in radians on end point!"),
                         N_("at end point!"));
}

std::vector<QVParamDef> with_distance(std::vector<QVParamDef> values) {
  values.insert(values.begin(), {GIMP_PDB_FLOAT, "distance",
                                 N_("length where the x/y values are nearest to the path!")});
  return values;
}

std::vector<QVParamDef> matrix_result(const char *count_description) {
  return {{GIMP_PDB_INT32, "nrMatrix", count_description}, MATRIX_RESULT_ARRAY};
}

std::vector<QVParamDef> transform_menu_params(const char *draw_description) {
  return {{GIMP_PDB_INT32, "mode", N_("Non-Interacitve")},
          IMAGE,
          {GIMP_PDB_DRAWABLE, "draw", draw_description}};
}

// A matrix that could not be built is answered with nrMatrix 0; the
// identity stays behind the array, unsent.
void reply_matrix(QVReply &reply, const QVMatrix3 &m, bool ok) {
  qv_reply_float_array(reply, std::vector<double>(m.m.begin(), m.m.end()), ok ? 9 : 0);
}

// An empty path name means the current path.
const char *path_param(const QVCall &call, gint index) {
  const char *name = call.text(index);
  return *name ? name : nullptr;
}

QVMatrix3 matrix_param(const GimpParam &p) {
  QVMatrix3 m = qv_matrix3_identity();
  if (p.data.d_floatarray) std::copy(p.data.d_floatarray, p.data.d_floatarray + 9, m.m.begin());
  return m;
}

// ---- measuring ------------------------------------------------------------

void add_measured(QVReply &reply, const QVpathCalc &calc) {
  for (double v : {calc.length, calc.angle, calc.x, calc.y, calc.handle_out_x, calc.handle_out_y,
                   calc.handle_in_x, calc.handle_in_y})
    qv_reply_float(reply, v);
}

void measure(QVCall &call) {
  const GimpParam *param = call.param;
  const gint32 image = param[0].data.d_image;
  const char *path = path_param(call, 1);
  QVpathCalc calc;
  if (call.is(PROC_GET_LENGTH)) {
    calc.mode = QV_CALC_LENGTH;
  } else if (call.is(PROC_GET_AT_LENGTH)) {
    calc.mode = QV_CALC_AT_LENGTH;
    calc.length = param[2].data.d_float;
  } else if (call.is(PROC_GET_NEAR_XY)) {
    calc.mode = QV_CALC_NEAREST;
    calc.target_x = param[2].data.d_float;
    calc.target_y = param[3].data.d_float;
  } else if (call.is(PROC_GET_MIN_MAX)) {
    calc.mode = QV_CALC_BBOX;
  } else if (call.is(PROC_NEW_BEGIN)) {
    calc.mode = QV_CALC_NEW_BEGIN;
    calc.begin_name = call.text(2);
    calc.length = param[3].data.d_float;
  } else if (call.is(PROC_NEW_END)) {
    calc.mode = QV_CALC_NEW_END;
    calc.end_name = call.text(2);
    calc.length = param[3].data.d_float;
  } else if (call.is(PROC_NEW_BOTH)) {
    calc.mode = QV_CALC_NEW_BOTH;
    calc.begin_name = call.text(2);
    calc.end_name = call.text(3);
    calc.length = param[4].data.d_float;
  } else {  // new-middle
    calc.mode = QV_CALC_NEW_MIDDLE;
    calc.end_name = call.text(2);
    calc.length = param[3].data.d_float;
    calc.second_length = param[4].data.d_float;
  }
  if (!qv_path_calculate3(image, path, calc, image, nullptr)) calc = QVpathCalc{};

  if (calc.mode == QV_CALC_BBOX) {
    for (double v : {calc.begin_x, calc.begin_y, calc.x, calc.y, calc.x_min, calc.y_min, calc.x_max,
                     calc.y_max})
      qv_reply_float(call.reply, v);
    return;
  }
  if (call.is(PROC_GET_NEAR_XY)) qv_reply_float(call.reply, calc.nearest_length);
  add_measured(call.reply, calc);
}

// ---- matrices ---------------------------------------------------------------

std::array<QVPoint, 4> corners(const gdouble *v) {
  return {QVPoint{v[0], v[1]}, QVPoint{v[2], v[3]}, QVPoint{v[4], v[5]}, QVPoint{v[6], v[7]}};
}

void matrix_procedure(QVCall &call) {
  const GimpParam *param = call.param;
  QVReply &reply = call.reply;
  if (call.is(PROC_MATRIX_PERSPECTIVE)) {
    if (param[0].data.d_int32 != 8 || param[2].data.d_int32 != 8 || !param[1].data.d_floatarray ||
        !param[3].data.d_floatarray)
      return;
    const auto result = qv_matrix3_from_corners(corners(param[1].data.d_floatarray),
                                                corners(param[3].data.d_floatarray));
    reply_matrix(reply, result.matrix, result.ok);
  } else if (call.is(PROC_MATRIX_MULTIPLY)) {
    if (param[0].data.d_int32 != 9 || param[2].data.d_int32 != 9 || !param[1].data.d_floatarray ||
        !param[3].data.d_floatarray)
      return;
    reply_matrix(reply, qv_matrix3_multiply(matrix_param(param[1]), matrix_param(param[3])), true);
  } else if (call.is(PROC_MATRIX_INVERSE)) {
    if (param[0].data.d_int32 != 9 || !param[1].data.d_floatarray) return;
    const auto result = qv_matrix3_invert(matrix_param(param[1]));
    reply_matrix(reply, result.matrix, result.ok);
  } else {  // for-perspective-path
    qv_call_image_named(call, 0);
    const auto result = qv_matrix3_from_paths(param[0].data.d_image, call.text(1), call.text(2));
    reply_matrix(reply, result.matrix, result.ok);
  }
}

// ---- transforms ---------------------------------------------------------------

// Option bits of the four menu procedures; each takes its matrix from the
// current path and the one below it.
unsigned menu_transform_options(const QVCall &call) {
  if (call.is(PROC_TRANSFORM_DRAWABLE)) return QV_TRANSFORM_DRAWABLE | QV_TRANSFORM_FROM_PATHS;
  if (call.is(PROC_TRANSFORM_LOCKED_LAYERS))
    return QV_TRANSFORM_LINKED_LAYERS | QV_TRANSFORM_FROM_PATHS;
  if (call.is(PROC_TRANSFORM_LOCKED_PATH))
    return QV_TRANSFORM_LOCKED_PATHS | QV_TRANSFORM_FROM_PATHS;
  if (call.is(PROC_TRANSFORM_LOCKED_PATH_LAYERS))
    return QV_TRANSFORM_LINKED_LAYERS | QV_TRANSFORM_LOCKED_PATHS | QV_TRANSFORM_FROM_PATHS;
  return 0;
}

// ---- style attributes -----------------------------------------------------------

std::string get_style_attribute(gint32 image, const char *path, const char *attribute) {
  std::optional<std::string> value;
  const std::string key = qv_style_normalise_key(attribute);
  qv_path_get_style_attribute(image, path, nullptr, QV_GET_TEXT, nullptr, {{key.c_str(), &value}});
  return value.value_or("");
}

// ---- handlers ---------------------------------------------------------------

// A measuring call that is too short still gets its eight numbers, all 0:
// scripts read them without looking at the status.
void run_measuring(QVCall &call) {
  if (call.nparams < static_cast<gint>(call.proc->params.size())) {
    for (int i = 0; i < 8; ++i) qv_reply_float(call.reply, 0.0);
    return;
  }
  qv_call_image_named(call, 0);
  measure(call);
}

void run_matrix(QVCall &call) { matrix_procedure(call); }

// A matrix argument must hold the nine numbers it declares.
bool matrix_given(QVCall &call, gint count_index) {
  if (call.param[count_index].data.d_int32 == 9 && call.param[count_index + 1].data.d_floatarray)
    return true;
  qv_call_refuse(call, _("the matrix must hold 9 numbers"));
  return false;
}

void run_transform_path(QVCall &call) {
  if (qv_call_image_exists(call, 0) && matrix_given(call, 2))
    qv_transform_path(call.param[0].data.d_image, call.text(1), matrix_param(call.param[3]));
}

void run_menu_transform(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  if (call.is(PROC_TRANSFORM_DRAWABLE) && !qv_call_drawable_exists(call, 2)) return;
  qv_transform_drawables(call.param[1].data.d_image, call.param[2].data.d_drawable,
                         qv_matrix3_identity(), menu_transform_options(call));
}

void run_transform_drawable_matrix(QVCall &call) {
  if (qv_call_image_exists(call, 0) && qv_call_drawable_exists(call, 1) && matrix_given(call, 2))
    qv_transform_drawables(call.param[0].data.d_image, call.param[1].data.d_drawable,
                           matrix_param(call.param[3]), QV_TRANSFORM_DRAWABLE);
}

// A key or value that would split the style into other attributes is a
// calling error, and nothing is stored.
void run_set_style(QVCall &call) {
  if (const auto refusal =
          qv_style_pair_refusal(qv_style_normalise_key(call.text(2)), call.text(3))) {
    qv_call_refuse(call, *refusal + _("; nothing was stored."));
    return;
  }
  if (!qv_call_image_exists(call, 0)) return;
  const gint32 image = call.param[0].data.d_image;
  if (qv_path_tattoo_by_name(image, call.text(1), nullptr) == 0) {
    qv_call_refuse(call,
                   qv_take_string(g_strdup_printf(_("Path »%s« does not exist!"), call.text(1))));
    return;
  }
  qv_path_set_style_attribute(image, call.text(1),
                              {{qv_style_normalise_key(call.text(2)), call.text(3)}});
}

void run_get_style(QVCall &call) {
  qv_call_image_named(call, 0);
  qv_reply_string(call.reply,
                  get_style_attribute(call.param[0].data.d_image, call.text(1), call.text(2)));
}

// The table is laid out by hand, one procedure to a block.
// clang-format off
const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_GET_LENGTH, N_("Returns path-length etc..."), N_("Returns parameters (path-length etc...) for the path!"),
       N_("path-get-length"), nullptr, {IMAGE, PATH_NAME},
       measured_values(N_("Path length!"), N_("in radians on end point!"), N_("at end point!")),
       run_measuring, 0},
      {PROC_GET_AT_LENGTH, N_("Returns stopped at path-length etc..."),
       N_("Returns parameters (stopped at path-length etc...) for the path!"), N_("path-get-at-length"), nullptr,
       {IMAGE, PATH_NAME, {GIMP_PDB_FLOAT, "atLength", N_("meassured from the beginning of the path!")}},
       measured_values(N_("stopped at this length!"), N_("in radians at length point!"), N_("at length point!")),
       run_measuring, 0},
      {PROC_GET_NEAR_XY, N_("Returns path-length etc..."), N_("Returns parameters (path-length etc...) for the path!"),
       N_("path-get-nearXY"), nullptr,
       {IMAGE, PATH_NAME, {GIMP_PDB_FLOAT, "x", N_("search the path for nearest to x!")},
        {GIMP_PDB_FLOAT, "y", N_("search the path for nearest to y!")}},
       with_distance(measured_values(N_("complete path length!"), N_("in radians at length end point!"),
                                     N_("at length end point!"))),
       run_measuring, 0},
      {PROC_GET_MIN_MAX, N_("Returns min max etc..."), N_("Returns parameters (min max  etc...) for the path!"),
       N_("path-get-minMax"), nullptr, {IMAGE, PATH_NAME},
       {{GIMP_PDB_FLOAT, "xStart", N_("x of the start point!")},
        {GIMP_PDB_FLOAT, "yStart", N_("y of the start point!")},
        {GIMP_PDB_FLOAT, "xEnd", N_("x of the end point!")},
        {GIMP_PDB_FLOAT, "yEnd", N_("y of the end point!")},
        {GIMP_PDB_FLOAT, "minX", N_("minimum X of the path!")},
        {GIMP_PDB_FLOAT, "minY", N_("minimum Y of the path!")},
        {GIMP_PDB_FLOAT, "maxX", N_("maximum X of the path!")},
        {GIMP_PDB_FLOAT, "maxY", N_("maximum Y of the path!")}},
       run_measuring, 0},
      {PROC_NEW_BEGIN, N_("Creates new Path from begin to atLength, returns path-length etc..."),
       N_("Creates new Path from begin to atLength, returns parameters (path-length etc...) for the new path!"),
       N_("path-new-begin"), nullptr,
       {IMAGE, PATH_NAME, NEW_NAME, {GIMP_PDB_FLOAT, "atLength", N_("new path from begin to this length!")}},
       new_path_values(),
       run_measuring, 0},
      {PROC_NEW_END, N_("Creates new Path from atLength to path-end, returns path-length etc..."),
       N_("Creates new Path from atLength to path-end, returns parameters (path-length etc...) for the new path!"),
       N_("path-new-end"), nullptr,
       {IMAGE, PATH_NAME, NEW_NAME,
        {GIMP_PDB_FLOAT, "atLength",
         N_("new path from this length to the end!\nGimp API fails on path with more then 1 open segment!")}},
       new_path_values(),
       run_measuring, 0},
      {PROC_NEW_BOTH,
       N_("Creates 2 new Paths begin_to_atLength and atLength_to_path-end, returns path-length etc..."),
       N_("Creates 2 new Paths begin_to_atLength and atLength_to_path-end, returns parameters (path-length "
          "etc...) for the path-end!"),
       N_("path-new-both"), nullptr,
       {IMAGE, PATH_NAME, {GIMP_PDB_STRING, "pathBegin", N_("or \"\" to use default name for new path!")},
        {GIMP_PDB_STRING, "pathEnd", N_("or \"\" to use default name for new path!")},
        {GIMP_PDB_FLOAT, "atLength",
         N_("create 2 new path split at this length!\nGimp API fails on path with more then 1 open segment "
            "(might cause bad result on pathEnd)!")}},
       new_path_values(),
       run_measuring, 0},
      {PROC_NEW_MIDDLE, N_("Creates new Path from atLength_toLength, returns path-length etc..."),
       N_("Creates new Path from atLength_toLength, returns parameters (path-length etc...) for the path!"),
       N_("path-new-middle"), nullptr,
       {IMAGE, PATH_NAME, NEW_NAME, {GIMP_PDB_FLOAT, "atLength", N_("new path from this length!")},
        {GIMP_PDB_FLOAT, "toLength", N_("to this length!")}},
       new_path_values(),
       run_measuring, 0},
      {PROC_MATRIX_PERSPECTIVE, N_("Creates 3x3 matrix out of reference points!"),
       N_("Creates 3x3 matrix out of reference points!"), N_("matrix3x3-for-perspective"), nullptr,
       {{GIMP_PDB_INT32, "nrFrom", N_("must be 8 (4 x/y pairs)!")},
        {GIMP_PDB_FLOATARRAY, "from", CORNERS},
        {GIMP_PDB_INT32, "nrTo", N_("must be 8 (4 x/y pairs)!")},
        {GIMP_PDB_FLOATARRAY, "to", CORNERS}},
       matrix_result(N_("9 or 0 if no matrix is possible (e.g. x1/y1 == x2/y2)!")),
       run_matrix},
      {PROC_MATRIX_MULTIPLY, N_("matrix1 * matrix2 is performed!"), N_("matrix1 * matrix2 is performed!"),
       N_("matrix3x3-multiply"), nullptr,
       {{GIMP_PDB_INT32, "nrMX1", N_("must be 9")},
        {GIMP_PDB_FLOATARRAY, "matrix1", N_("matrix1 * matrix2 is performed")},
        {GIMP_PDB_INT32, "nrMX2", N_("must be 9")},
        {GIMP_PDB_FLOATARRAY, "matrix2", N_("matrix1 * matrix2 is performed")}},
       matrix_result(N_("is 9 FLOAT's for a 3x3 matrix!")),
       run_matrix},
      {PROC_MATRIX_INVERSE, N_("matrix inverse is performed!"), N_("matrix inverse is performed!"),
       N_("matrix3x3-inverse"), nullptr,
       {{GIMP_PDB_INT32, "nrMX", N_("must be 9")},
        {GIMP_PDB_FLOATARRAY, "matrix", N_("matrix inverse is performed")}},
       matrix_result(N_("9 or 0 if matrix is not invertable!")),
       run_matrix},
      {PROC_MATRIX_PERSPECTIVE_PATH, N_("Creates 3x3 matrix out of first 4 path points!"),
       N_("Creates 3x3 matrix out of first 4 path points!"), N_("matrix3x3-for-perspective-path"), nullptr,
       {IMAGE, {GIMP_PDB_STRING, "pathFrom", N_("uses first 4 path points!")},
        {GIMP_PDB_STRING, "pathTo", N_("uses first 4 path points!")}},
       matrix_result(N_("9 or 0 if matrix is not possible (too less path points, x1/y1 == x2/y2 etc...)!")),
       run_matrix},
      {PROC_TRANSFORM_PATH, N_("Transforms path with perspective transform matrix!"),
       N_("Transforms path with perspective transform matrix!"), N_("path-transform-matrix3x3"), nullptr,
       {IMAGE, {GIMP_PDB_STRING, "pathName", N_("path to be transformed!")},
        {GIMP_PDB_INT32, "nrMX", N_("must be 9")},
        {GIMP_PDB_FLOATARRAY, "matrix", N_("perspective transform matrix 3x3!")}},
       {},
       run_transform_path},
      {PROC_TRANSFORM_DRAWABLE, N_(DRAWABLE_BLURB), N_(DRAWABLE_BLURB USAGE_NOTE), N_("Active Drawable"), MENU_PATH,
       transform_menu_params(N_("drawable to be transformed!")), {},
       run_menu_transform},
      {PROC_TRANSFORM_LOCKED_LAYERS, N_(LAYERS_BLURB), N_(LAYERS_BLURB USAGE_NOTE), N_("Locked Layers"), MENU_PATH,
       transform_menu_params(N_("drawable unused!")), {},
       run_menu_transform},
      {PROC_TRANSFORM_LOCKED_PATH, N_(PATHS_BLURB), N_(PATHS_BLURB USAGE_NOTE), N_("Locked Paths"), MENU_PATH,
       transform_menu_params(N_("drawable unused!")), {},
       run_menu_transform},
      {PROC_TRANSFORM_LOCKED_PATH_LAYERS, N_(PATHS_LAYERS_BLURB), N_(PATHS_LAYERS_BLURB USAGE_NOTE),
       N_("Locked Paths | Layers"), MENU_PATH, transform_menu_params(N_("drawable unused!")), {},
       run_menu_transform},
      {PROC_TRANSFORM_DRAWABLE_MATRIX, N_("Transforms drawable with perspective transform matrix!"),
       N_("Transforms drawable with perspective transform matrix!" USAGE_NOTE), N_("transform-drawable-matrix3x3"),
       nullptr,
       {IMAGE, {GIMP_PDB_DRAWABLE, "draw", N_("drawable to be transformed!")},
        {GIMP_PDB_INT32, "nrMX", N_("must be 9")},
        {GIMP_PDB_FLOATARRAY, "matrix", N_("perspective transform matrix 3x3!")}},
       {},
       run_transform_drawable_matrix},
      {PROC_SET_STYLE, N_("Sets style attribute for given path!"), N_("Sets style attribute for given path!"),
       N_("set-style-attribute"), nullptr,
       {IMAGE, STYLE_PATH, STYLE_ATTRIBUTE, {GIMP_PDB_STRING, "value", N_("set attribute to this value!")}}, {},
       run_set_style},
      {PROC_GET_STYLE, N_("Get style attribute for given path!"), N_("Get style attribute for given path!"),
       N_("get-style-attribute"), nullptr, {IMAGE, STYLE_PATH, STYLE_ATTRIBUTE},
       {{GIMP_PDB_STRING, "value", N_("value of attribute or \"\"")}},
       run_get_style},
  };
  return table;
}
// clang-format on

}  // namespace

QV_PLUGIN_MAIN(procedure_table)
