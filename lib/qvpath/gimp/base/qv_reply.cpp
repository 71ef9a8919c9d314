#include "gimp/base/qv_reply.h"

#include <glib.h>

namespace {

GimpParam *next_value(QVReply &reply, GimpPDBArgType type) {
  if (reply.count >= QVReply::kMaxValues)
    g_error("a plug-in reply holds at most %d values", QVReply::kMaxValues);
  GimpParam *value = &reply.values[reply.count++];
  value->type = type;
  return value;
}

}  // namespace

void qv_reply_reset(QVReply &reply) {
  reply.count = 1;
  reply.strings.clear();
  reply.string_arrays.clear();
  reply.float_arrays.clear();
  reply.byte_arrays.clear();
  reply.values[0].type = GIMP_PDB_STATUS;
  reply.values[0].data.d_status = GIMP_PDB_SUCCESS;
}

void qv_reply_status(QVReply &reply, GimpPDBStatusType status) {
  reply.values[0].data.d_status = status;
}

void qv_reply_int(QVReply &reply, gint32 value) {
  next_value(reply, GIMP_PDB_INT32)->data.d_int32 = value;
}

void qv_reply_float(QVReply &reply, double value) {
  next_value(reply, GIMP_PDB_FLOAT)->data.d_float = value;
}

void qv_reply_image(QVReply &reply, gint32 image) {
  next_value(reply, GIMP_PDB_IMAGE)->data.d_image = image;
}

void qv_reply_string(QVReply &reply, std::string value) {
  reply.strings.push_back(std::move(value));
  next_value(reply, GIMP_PDB_STRING)->data.d_string =
      const_cast<gchar *>(reply.strings.back().c_str());
}

void qv_reply_float_array(QVReply &reply, std::vector<double> values, gint32 count) {
  qv_reply_int(reply, count);
  reply.float_arrays.push_back(std::move(values));
  auto &stored = reply.float_arrays.back();
  next_value(reply, GIMP_PDB_FLOATARRAY)->data.d_floatarray =
      stored.empty() ? nullptr : stored.data();
}

void qv_reply_bytes(QVReply &reply, std::vector<guint8> bytes) {
  qv_reply_int(reply, static_cast<gint32>(bytes.size()));
  reply.byte_arrays.push_back(std::move(bytes));
  auto &stored = reply.byte_arrays.back();
  next_value(reply, GIMP_PDB_INT8ARRAY)->data.d_int8array =
      stored.empty() ? nullptr : stored.data();
}

void qv_reply_string_array(QVReply &reply, std::vector<std::string> values) {
  qv_reply_int(reply, static_cast<gint32>(values.size()));
  std::vector<gchar *> pointers;
  for (auto &s : values) {
    reply.strings.push_back(std::move(s));
    pointers.push_back(const_cast<gchar *>(reply.strings.back().c_str()));
  }
  reply.string_arrays.push_back(std::move(pointers));
  next_value(reply, GIMP_PDB_STRINGARRAY)->data.d_stringarray = reply.string_arrays.back().data();
}

void qv_reply_return(QVReply &reply, gint *nreturn_vals, GimpParam **return_vals) {
  *nreturn_vals = reply.count;
  *return_vals = reply.values;
}
