// qv-services-date: the bounding boxes a draw leaves behind, the image's date
// record, the fade opacity, raw GIMP-wide parasites and the month names, for
// scripts. This file holds the procedure table and the dispatch; the work
// lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "gimp/base/qv_procedure_table.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/services/qv_date_services.h"

namespace {

const char *const PROC_BBOX_IMAGE = "plug_in_qv_bbox_image";
const char *const PROC_BBOX_PATH = "plug_in_qv_bbox_path";
const char *const PROC_GET_DATE = "plug_in_qv_dtf_get_date";
const char *const PROC_GET_DATE_VALIDATED = "plug_in_qv_dtf_get_date_validated";
const char *const PROC_SET_DATE = "plug_in_qv_dtf_set_date";
const char *const PROC_SET_DATE_FROM_STRING = "plug_in_qv_dtf_set_date_from_string";
const char *const PROC_FADE_OPACITY_SET = "plug-in-qv-fade-opacity-set";
const char *const PROC_PARASITE_FIND = "plug-in-qv-parasite-find";
const char *const PROC_SET_MONTH_NAMES = "plug_in_qv_set_month_names";
const char *const PROC_SET_MONTH_NAMES_SHORT = "plug_in_qv_set_month_names_short";

#define BBOX_IMAGE_BLURB "Gets boundary box of last drawn image-path!"
#define BBOX_PATH_BLURB "Gets boundary box of set-bbox: path!"
#define GET_DATE_BLURB "Gets date from \"qv-dtf-numbers\" parasite!"
#define GET_DATE_VALIDATED_BLURB "Gets date validated from \"qv-dtf-numbers\" parasite!"
#define SET_DATE_BLURB "Sets date to \"qv-dtf-numbers\" parasite!"
#define SET_DATE_FROM_STRING_BLURB "Sets date from string to \"qv-dtf-numbers\" parasite!"
#define FADE_BLURB "Sets fade-opacity parasite non-persistance!"
#define PARASITE_FIND_BLURB "Get parasite data!"
#define MONTH_NAMES_BLURB "Set the month name list!"
#define SHORT_MONTH_NAMES_BLURB "Set the short month name list!"
#define DATE_FORMS                                                                            \
  "\nDate forms: \"27. 3. 2007\", \"27 3 2007\", \"27. Mar. 2007\", \"27 Mar 2007\", "        \
  "\"27Mar2007\", \"27 März 2007\", \"Mar. 27. 2007\", \"Mar 27 2007\", \"März 27 2007\", " \
  "\"Mar 2007\", \"2007\"; a second date follows after \";\"."
#define MONTH_NAMES_NOTE "\nA missing or empty name keeps the English name of that month."

const QVParamDef IMAGE = {GIMP_PDB_IMAGE, "image", N_("Input image")};
const QVParamDef UNUSED = {GIMP_PDB_INT32, "dummy", N_("not used")};
const QVParamDef T = {GIMP_PDB_FLOAT, "t", N_("0.0 <= t <= 1.0 (0 = first date, 1 = second date)")};

const std::vector<QVParamDef> BOX_VALUES = {
    {GIMP_PDB_INT32, "x", N_("x, 0 if no box is stored")},
    {GIMP_PDB_INT32, "y", N_("y, 0 if no box is stored")},
    {GIMP_PDB_INT32, "width", N_("width, 0 if no box is stored")},
    {GIMP_PDB_INT32, "height", N_("height, 0 if no box is stored")}};

const std::vector<QVParamDef> DATE_VALUES = {
    {GIMP_PDB_FLOAT, "day", N_("0 = no day")},
    {GIMP_PDB_FLOAT, "month", N_("0 = no month, no day")},
    {GIMP_PDB_FLOAT, "year", N_("year, negative before the common era")}};

QVdtfNumbers date_param(const GimpParam *day_month_year) {
  QVdtfNumbers date;
  date.day = day_month_year[0].data.d_float;
  date.month = day_month_year[1].data.d_float;
  date.year = day_month_year[2].data.d_float;
  return date;
}

void add_box(QVReply &reply, const QVBox &box) {
  for (gint32 v : box) qv_reply_int(reply, v);
}

void add_date(QVReply &reply, const QVdtfNumbers &date) {
  qv_reply_float(reply, date.day);
  qv_reply_float(reply, date.month);
  qv_reply_float(reply, date.year);
}

void run_bbox(QVCall &call) {
  add_box(call.reply, qv_bbox_or_zeros(call.is(PROC_BBOX_IMAGE) ? QV_BBOX_IMAGE : QV_BBOX_PATH));
}

void run_get_date(QVCall &call) {
  qv_call_image_named(call, 0);
  add_date(call.reply,
           qv_dtf_service_read(call.param[0].data.d_image, call.is(PROC_GET_DATE_VALIDATED)));
}

void run_set_date(QVCall &call) {
  if (!qv_call_image_exists(call, 0)) return;
  const GimpParam *param = call.param;
  qv_dtf_service_set(param[0].data.d_image, date_param(&param[1]), date_param(&param[4]),
                     param[7].data.d_float);
}

void run_set_date_from_string(QVCall &call) {
  if (!qv_call_image_exists(call, 0)) return;
  qv_dtf_service_set_from_text(call.param[0].data.d_image, call.text(1),
                               call.param[2].data.d_float);
}

void run_fade_opacity_set(QVCall &call) {
  if (!qv_call_image_exists(call, 0)) return;
  qv_fade_opacity_set(call.param[0].data.d_image, call.param[1].data.d_float);
}

void run_parasite_find(QVCall &call) {
  qv_reply_bytes(call.reply,
                 qv_global_parasite_bytes(call.text(0)).value_or(std::vector<guint8>()));
}

void run_month_names(QVCall &call) {
  const QVmonthForm form =
      call.is(PROC_SET_MONTH_NAMES) ? QVmonthForm::long_name : QVmonthForm::short_name;
  qv_reply_string(call.reply, qv_month_names_set(form, call.text(0)));
}

// The table is laid out by hand, one procedure to a block.
// clang-format off
const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_BBOX_IMAGE, N_(BBOX_IMAGE_BLURB), N_(BBOX_IMAGE_BLURB), nullptr, nullptr, {UNUSED}, BOX_VALUES,
       run_bbox, 0},
      {PROC_BBOX_PATH, N_(BBOX_PATH_BLURB), N_(BBOX_PATH_BLURB), nullptr, nullptr, {UNUSED}, BOX_VALUES,
       run_bbox, 0},
      {PROC_GET_DATE, N_(GET_DATE_BLURB), N_(GET_DATE_BLURB), nullptr, nullptr, {IMAGE}, DATE_VALUES,
       run_get_date},
      {PROC_GET_DATE_VALIDATED, N_(GET_DATE_VALIDATED_BLURB), N_(GET_DATE_VALIDATED_BLURB), nullptr, nullptr,
       {IMAGE}, DATE_VALUES, run_get_date},
      {PROC_SET_DATE, N_(SET_DATE_BLURB), N_(SET_DATE_BLURB), nullptr, nullptr,
       {IMAGE,
        {GIMP_PDB_FLOAT, "day0", N_("day at t = 0 (0 = no day)")},
        {GIMP_PDB_FLOAT, "month0", N_("month at t = 0 (0 = no month, no day)")},
        {GIMP_PDB_FLOAT, "year0", N_("year at t = 0")},
        {GIMP_PDB_FLOAT, "day1", N_("day at t = 1 (0 = no day)")},
        {GIMP_PDB_FLOAT, "month1", N_("month at t = 1 (0 = no month, no day)")},
        {GIMP_PDB_FLOAT, "year1", N_("year at t = 1")},
        T},
       {},
       run_set_date},
      {PROC_SET_DATE_FROM_STRING, N_(SET_DATE_FROM_STRING_BLURB), N_(SET_DATE_FROM_STRING_BLURB DATE_FORMS),
       nullptr, nullptr,
       {IMAGE, {GIMP_PDB_STRING, "date", N_("e.g. \"27. 1. 2007; Aug. -40\" (date at t = 0; date at t = 1)")}, T},
       {},
       run_set_date_from_string},
      {PROC_FADE_OPACITY_SET, N_(FADE_BLURB), N_(FADE_BLURB), nullptr, nullptr,
       {IMAGE, {GIMP_PDB_FLOAT, "opac", N_("0 to 100")}}, {}, run_fade_opacity_set},
      {PROC_PARASITE_FIND, N_(PARASITE_FIND_BLURB), N_(PARASITE_FIND_BLURB), nullptr, nullptr,
       {{GIMP_PDB_STRING, "name", N_("name of the global parasite")}},
       {{GIMP_PDB_INT32, "size", N_("number of bytes, 0 if the parasite does not exist")},
        {GIMP_PDB_INT8ARRAY, "data", N_("the parasite's bytes")}},
       run_parasite_find},
      {PROC_SET_MONTH_NAMES, N_(MONTH_NAMES_BLURB), N_(MONTH_NAMES_BLURB MONTH_NAMES_NOTE), nullptr, nullptr,
       {{GIMP_PDB_STRING, "monthnames", N_("\";\"-separated, e.g. \"Januar; Februar; März\"")}},
       {{GIMP_PDB_STRING, "monthnames", N_("the active list, \"; \"-separated")}},
       run_month_names},
      {PROC_SET_MONTH_NAMES_SHORT, N_(SHORT_MONTH_NAMES_BLURB), N_(SHORT_MONTH_NAMES_BLURB MONTH_NAMES_NOTE),
       nullptr, nullptr,
       {{GIMP_PDB_STRING, "shortmonthnames", N_("\";\"-separated, e.g. \"Jan.; Feb.; März\"")}},
       {{GIMP_PDB_STRING, "shortmonthnames", N_("the active list, \"; \"-separated")}},
       run_month_names},
  };
  return table;
}
// clang-format on

}  // namespace

QV_PLUGIN_MAIN(procedure_table)
