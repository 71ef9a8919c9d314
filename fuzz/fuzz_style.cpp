// Arbitrary bytes through the style-text readers and setters: as a stored
// parasite, split and joined, merged with an override, and used as the key
// and value of a setter. Besides memory errors it checks what the drawing
// code relies on: a pair the setter accepts can be read back as it was set,
// exactly once, and no other attribute appears; a refused pair changes
// nothing.
#include "core/qv_style.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

// Items that set the attribute, the way the setters and readers match them.
int count_key(const std::string &text, const std::string &key) {
  int n = 0;
  for (const std::string &item : qv_style_split(text))
    if (item.rfind(key, 0) == 0) ++n;
  return n;
}

void check_text(const std::string &text) {
  const QVStyleItems items = qv_style_split(text);
  require(qv_style_join(items) == text);
  QVStyleItems deduped = items;
  qv_style_items_dedupe(deduped);
  QVStyleItems twice = deduped;
  qv_style_items_dedupe(twice);
  require(twice == deduped);
  const auto merged = qv_style_merge(text, std::string("css-priority: off"));
  require(merged.has_value());
  qv_style_trim_for_store(text);
}

// The input split at its first NUL into a style text, a key and a value.
void check_setter(const std::string &input) {
  const size_t a = input.find('\0');
  if (a == std::string::npos) return;
  const size_t b = input.find('\0', a + 1);
  if (b == std::string::npos) return;
  const std::string old_text = input.substr(0, a);
  const std::string name = input.substr(a + 1, b - a - 1);
  const std::string value = input.substr(b + 1);
  const std::string key = name + ": ";
  const auto refusal = qv_style_pair_refusal(key, value);
  const auto set = qv_style_set_attributes(old_text, {{key, value}});
  require(set.has_value());
  if (refusal) {
    require(!refusal->empty());
    require(*set == old_text);
    return;
  }
  require(count_key(*set, key) == 1);
  const QVStyleItems after = qv_style_split(*set);
  for (const std::string &item : after) {
    if (item.rfind(key, 0) == 0) require(item.substr(key.size()) == value);
  }
  const auto removed = qv_style_remove_attributes(*set, {key});
  require(!removed || count_key(*removed, key) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *bytes = reinterpret_cast<const char *>(data);
  if (const auto stored = qv_style_text_from_bytes(bytes, size)) check_text(*stored);
  check_text(std::string(bytes, size));
  check_setter(std::string(bytes, size));
  qv_split_trailing_number(std::string(bytes, size));
  qv_style_normalise_key(std::string(bytes, size));
  return 0;
}
