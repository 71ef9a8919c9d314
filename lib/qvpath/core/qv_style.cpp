#include "core/qv_style.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

bool starts_with(const std::string &s, const std::string &prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

bool ends_with(const std::string &s, const std::string &suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

const char *const kCssPriorityOff = "css-priority: off";
const char *const kPerPathMarker = "-for-path-";

}  // namespace

QVStyleItems qv_style_split(const std::string &text) {
  QVStyleItems items;
  std::string::size_type start = 0;
  for (;;) {
    const auto tab = text.find('\t', start);
    if (tab == std::string::npos) {
      items.push_back(text.substr(start));
      return items;
    }
    items.push_back(text.substr(start, tab - start));
    start = tab + 1;
  }
}

std::string qv_style_join(const QVStyleItems &items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) text += '\t';
    text += items[i];
  }
  return text;
}

std::string qv_style_item_key(const std::string &item) {
  const auto colon = item.find(": ");
  return colon == std::string::npos ? item : item.substr(0, colon + 2);
}

void qv_style_items_dedupe(QVStyleItems &items) {
  if (items.size() < 2) return;
  // An item survives only when no later item sets the same attribute; the
  // walk keeps the relative order of the survivors.
  size_t i = 0;
  while (i + 1 < items.size()) {
    bool remove = items[i].empty();
    if (!remove) {
      const std::string key = qv_style_item_key(items[i]);
      remove = std::any_of(items.begin() + i + 1, items.end(),
                           [&](const std::string &later) { return starts_with(later, key); });
    }
    if (remove)
      items.erase(items.begin() + i);
    else
      ++i;
  }
  if (!items.empty() && items.back().empty()) items.pop_back();
}

std::optional<QVStyleItems> qv_style_merge(const std::optional<std::string> &base,
                                           const std::optional<std::string> &override_text) {
  std::string combined;
  if (base && override_text) {
    const QVStyleItems over = qv_style_split(*override_text);
    const bool sheet_wins = std::find(over.begin(), over.end(), kCssPriorityOff) != over.end();
    combined = sheet_wins ? *override_text + '\t' + *base : *base + '\t' + *override_text;
  } else if (base) {
    combined = *base;
  } else if (override_text) {
    combined = *override_text;
  } else {
    return std::nullopt;
  }
  QVStyleItems items = qv_style_split(combined);
  qv_style_items_dedupe(items);
  return items;
}

std::string qv_style_trim_for_store(const std::string &text) {
  // g_strchug's notion of white space: the C locale's isspace.
  size_t begin = 0;
  while (begin < text.size() && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  size_t end = text.size();
  while (end > begin && text[end - 1] == '\t') --end;
  return text.substr(begin, end - begin);
}

std::optional<std::string> qv_style_pair_refusal(const std::string &key, const std::string &value) {
  std::string name = key;
  if (name.size() >= 2 && name.compare(name.size() - 2, 2, ": ") == 0) name.resize(name.size() - 2);
  if (name.empty()) return std::string("the attribute has no name");
  if (name.find_first_of(":\t\r\n") != std::string::npos)
    return "the attribute name \"" + name + "\" holds a colon, a TAB or a line break";
  if (value.find('\t') != std::string::npos) return "the value of \"" + name + "\" holds a TAB";
  return std::nullopt;
}

std::optional<std::string> qv_style_set_attributes(
    const std::optional<std::string> &old_text,
    const std::vector<std::pair<std::string, std::string>> &pairs) {
  for (const auto &[key, value] : pairs)
    if (qv_style_pair_refusal(key, value)) return old_text;
  QVStyleItems items;
  if (old_text) items = qv_style_split(*old_text);
  QVStyleItems added;
  for (const auto &[key, value] : pairs) {
    bool found = false;
    for (auto &item : items) {
      if (!starts_with(item, key)) continue;
      // Later duplicates are emptied rather than dropped, so that the stored
      // text still shows where they were.
      item = found ? std::string() : key + value;
      found = true;
    }
    if (!found) added.push_back(key + value);
  }
  if (!old_text && added.empty()) return std::nullopt;
  if (!old_text) return qv_style_join(added);
  std::string text = qv_style_join(items);
  if (!added.empty()) text += '\t' + qv_style_join(added);
  return text;
}

std::optional<std::string> qv_style_remove_attributes(const std::string &old_text,
                                                      const std::vector<std::string> &keys) {
  QVStyleItems kept;
  for (const auto &item : qv_style_split(old_text)) {
    const bool matches = std::any_of(
        keys.begin(), keys.end(), [&](const std::string &key) { return starts_with(item, key); });
    if (!matches) kept.push_back(item);
  }
  if (kept.empty()) return std::nullopt;
  return qv_style_join(kept);
}

bool qv_style_has_attribute(const std::string &text, const std::string &key) {
  const QVStyleItems items = qv_style_split(text);
  return std::any_of(items.begin(), items.end(),
                     [&](const std::string &item) { return starts_with(item, key); });
}

std::optional<std::string> qv_style_text_from_bytes(const char *data, size_t size) {
  if (!data || size == 0) return std::nullopt;
  const void *nul = std::memchr(data, '\0', size);
  if (!nul) return std::nullopt;
  return std::string(data, static_cast<const char *>(nul) - data);
}

std::pair<std::string, long> qv_split_trailing_number(const std::string &name) {
  size_t digits_start = name.size();
  while (digits_start > 0 && std::isdigit(static_cast<unsigned char>(name[digits_start - 1])))
    --digits_start;
  if (digits_start == name.size()) return {name, -1};
  // Tattoos are 32-bit; a longer digit run is no tattoo of ours.
  if (name.size() - digits_start > 10) return {name.substr(0, digits_start), -1};
  return {name.substr(0, digits_start), std::stol(name.substr(digits_start))};
}

bool qv_is_per_path_parasite(const std::string &name, long tattoo) {
  const auto [stem, number] = qv_split_trailing_number(name);
  return number == tattoo && ends_with(stem, kPerPathMarker);
}

bool qv_is_any_per_path_parasite(const std::string &name) {
  const auto [stem, number] = qv_split_trailing_number(name);
  return number >= 0 && ends_with(stem, kPerPathMarker);
}

std::string qv_style_normalise_key(const std::string &attribute) {
  std::string key;
  for (char c : attribute) key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto first = key.find_first_not_of(" \t\n\r\f\v");
  if (first == std::string::npos) return ": ";
  const auto last = key.find_last_not_of(" \t\n\r\f\v");
  key = key.substr(first, last - first + 1);
  return key.back() == ':' ? key + " " : key + ": ";
}

std::optional<std::string> qv_style_value(const QVStyleItems &items, const std::string &key) {
  for (auto it = items.rbegin(); it != items.rend(); ++it)
    if (starts_with(*it, key)) return it->substr(key.size());
  return std::nullopt;
}
