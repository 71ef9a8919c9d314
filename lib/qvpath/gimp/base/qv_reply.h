// The return values of a plug-in run. GIMP reads them after run() returns,
// so the values and everything they point to live in one record that the
// plug-in keeps until its next run.
#pragma once

#include <libgimp/gimp.h>

#include <deque>
#include <string>
#include <vector>

struct QVReply {
  static constexpr int kMaxValues = 12;
  GimpParam values[kMaxValues];
  int count = 1;
  // Deques: adding an element never moves the ones the values point at.
  std::deque<std::string> strings;  // text values and the texts of string arrays
  std::deque<std::vector<gchar *>> string_arrays;
  std::deque<std::vector<double>> float_arrays;
  std::deque<std::vector<guint8>> byte_arrays;
};

// Starts a reply: the status alone, success.
void qv_reply_reset(QVReply &reply);
void qv_reply_status(QVReply &reply, GimpPDBStatusType status);

void qv_reply_int(QVReply &reply, gint32 value);
void qv_reply_float(QVReply &reply, double value);
void qv_reply_image(QVReply &reply, gint32 image);
void qv_reply_string(QVReply &reply, std::string value);
// Arrays go with their count before them, as GIMP sends as many elements as
// that count says: `count` is the number to announce (it may be smaller
// than the data).
void qv_reply_float_array(QVReply &reply, std::vector<double> values, gint32 count);
void qv_reply_bytes(QVReply &reply, std::vector<guint8> bytes);
void qv_reply_string_array(QVReply &reply, std::vector<std::string> values);

// Hands the reply to GIMP.
void qv_reply_return(QVReply &reply, gint *nreturn_vals, GimpParam **return_vals);
