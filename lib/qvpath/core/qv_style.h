// Style text: the attribute lines of a path's style, "key: value" items
// separated by single TABs. Pure text operations; the GIMP side stores the
// result in the path's "qv-style-for-path-<tattoo>" parasite.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

using QVStyleItems = std::vector<std::string>;

// Splits a style text at every TAB; empty items are kept (readers skip them).
QVStyleItems qv_style_split(const std::string &text);

// Joins items with single TABs.
std::string qv_style_join(const QVStyleItems &items);

// The attribute key of an item: the text before the first ": " followed by
// ": "; the whole item when it has no ": ".
std::string qv_style_item_key(const std::string &item);

// Removes, in place, empty items and every item whose attribute occurs again
// later; the survivor of each attribute is its last occurrence.
void qv_style_items_dedupe(QVStyleItems &items);

// Combines a base text (sheet + own style) with an override text and
// de-duplicates. The override wins unless one of its items is exactly
// "css-priority: off". None when both are none.
std::optional<QVStyleItems> qv_style_merge(const std::optional<std::string> &base,
                                           const std::optional<std::string> &override_text);

// The text a style is stored as: leading white space removed, then trailing
// TABs removed.
std::string qv_style_trim_for_store(const std::string &text);

// Why a pair may not be stored, or none when it may. A style is one line of
// items split at TABs, each "key: value": a TAB in a value, or a ":", TAB or
// line break in a key's name, would turn one attribute into others (a
// "fill" value could smuggle in a "@-script: "). An empty name is refused too.
std::optional<std::string> qv_style_pair_refusal(const std::string &key, const std::string &value);

// Sets each (key, value) pair on a style text: the first item that begins
// with the key is replaced, later ones emptied, missing keys appended in
// argument order. Keys carry their colon and blank ("stroke: "). Returns none
// when there was neither an old text nor a pair. When any pair is refused
// (qv_style_pair_refusal) nothing is set: the old text comes back as it was.
std::optional<std::string> qv_style_set_attributes(
    const std::optional<std::string> &old_text,
    const std::vector<std::pair<std::string, std::string>> &pairs);

// Removes every item that begins with one of the keys. None when nothing is
// left (the style is then to be removed).
std::optional<std::string> qv_style_remove_attributes(const std::string &old_text,
                                                      const std::vector<std::string> &keys);

// Whether some item begins with the key.
bool qv_style_has_attribute(const std::string &text, const std::string &key);

// The text up to the first NUL of a parasite's bytes; none when the bytes
// hold no NUL at all (not a style text).
std::optional<std::string> qv_style_text_from_bytes(const char *data, size_t size);

// Splits a parasite name into the part before its trailing decimal digits and
// the number they spell; the number is -1 when there are no trailing digits.
std::pair<std::string, long> qv_split_trailing_number(const std::string &name);

// Whether a parasite name belongs to the path with this tattoo
// ("...-for-path-<tattoo>").
bool qv_is_per_path_parasite(const std::string &name, long tattoo);

// Whether a parasite name is any per-path parasite ("...-for-path-<digits>").
bool qv_is_any_per_path_parasite(const std::string &name);

// The attribute key a script names: lower-cased, trimmed, and given its
// ": " ("TEXT-OFFSET", "text-offset:" and "text-offset: " all give
// "text-offset: ").
std::string qv_style_normalise_key(const std::string &attribute);

// The value of the last item that begins with the key, or none.
std::optional<std::string> qv_style_value(const QVStyleItems &items, const std::string &key);
