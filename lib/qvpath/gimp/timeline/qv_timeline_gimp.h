// An image's timelines in its three parasites, and timeline files. Every
// operation reads the parasites whole (converting those of the earlier
// layout first), works on the pure model of qv_timeline.h and writes back
// only the parasites it changed. When any of the three cannot be read, the
// user is told why and nothing is changed: moving timelines between
// parasites that are only partly understood could lose some of them.
//
// Timeline bytes handed out are one whole timeline in host order; decode
// them with qv_timeline_decode.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>

#include "core/qv_timeline.h"

// The three parasites, or none (with a message) when one is damaged.
std::optional<QVTimelineParasites> qv_timeline_parasites_read(gint32 image);

// Writes the parasites of `after` that differ from `before`; an emptied
// recent or rest parasite is removed.
void qv_timeline_parasites_write(gint32 image, const QVTimelineParasites &before,
                                 const QVTimelineParasites &after);

std::optional<QVTimelineDirectory> qv_timeline_directory_new(gint32 image,
                                                             bool presence_only = false);

std::optional<QVBytes> qv_timeline_get(gint32 image, int index, QVTimelineGet mode);
// The first timeline of that name among the parasites that can be read; a
// damaged parasite is reported and left as it is (qv_timeline_parasites_salvage).
std::optional<QVBytes> qv_timeline_by_name(gint32 image, const std::string &name);

// An existing file named in UTF-8 is read as a timeline file; anything else
// is taken as the name of one of the image's timelines. Failures are shown.
std::optional<QVBytes> qv_timeline_read(gint32 image, const std::string &name_or_path);

// Writes the timeline as a ".qvt" file (through a temporary file). False,
// with a message, on failure.
bool qv_timeline_write_file(const std::string &utf8_path, const QVTimeline &timeline);

// Replaces the current timeline; the others are left as they are.
void qv_timeline_store_current(gint32 image, const QVTimeline &timeline);

// Makes `timeline` current; with `push` the former current one goes to the
// front of recent first, and recent is balanced. False when the parasites
// are damaged (nothing is changed then).
bool qv_timeline_set_current(gint32 image, const QVTimeline &timeline, bool push);

// Copies the current timeline to the front of recent.
bool qv_timeline_push_current(gint32 image);

// Makes timeline `index` current (the former current goes to recent). False
// when the index is past the last timeline or the parasites are damaged.
bool qv_timeline_make_current(gint32 image, int index);

bool qv_timeline_balance(gint32 image);

// A name no timeline of the image has yet (see the pure function).
std::optional<std::string> qv_timeline_unique_name(gint32 image, const std::string &wanted);

// Timeline `index` of the image into a ".qvt" file, bytes unchanged.
bool qv_timeline_export(gint32 image, int index, const std::string &utf8_path);

// A ".qvt" file's timeline becomes the image's current one; the former
// current goes to recent and recent is balanced.
bool qv_timeline_import(gint32 image, const std::string &utf8_path);
