// Timeline parasites of an image: "qv-timeline-current-be",
// "qv-timeline-recent-be" and "qv-timeline-rest-be" hold chunk sequences in
// big-endian order. Images saved by earlier versions carry the same data
// under the names without "-be" in a host-order layout.
#pragma once

#include <libgimp/gimp.h>

// Converts the earlier parasites to the "-be" form and removes them. A
// parasite whose data cannot be walked is left as it is, with a message.
// Returns the number of parasites converted.
int qv_timeline_parasites_migrate(gint32 image);
