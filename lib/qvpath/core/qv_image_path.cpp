#include "core/qv_image_path.h"

#include <glib.h>

#include <algorithm>

namespace {

std::string base_name(const std::string &file) {
  const auto slash = file.find_last_of("/\\");
  return slash == std::string::npos ? file : file.substr(slash + 1);
}

// A name the path kinds read as a picture: no quoted text, no bracket part
// or draw group at its start.
std::string plain_name(std::string name) {
  std::replace(name.begin(), name.end(), '"', '\'');
  if (name.empty() || name[0] == '[' || name[0] == '{') name = "Image " + name;
  return name;
}

std::string number_pair(double a, double b) {
  char first[G_ASCII_DTOSTR_BUF_SIZE], second[G_ASCII_DTOSTR_BUF_SIZE];
  g_ascii_formatd(first, sizeof first, "%0.0f", a);
  g_ascii_formatd(second, sizeof second, "%0.0f", b);
  return std::string(first) + " " + second;
}

double centre_x(const QVImagePathPlan &plan) { return (plan.x1 + plan.x2) / 2.0; }

}  // namespace

std::string qv_image_path_name(const QVImagePathPlan &plan) {
  const std::string file = base_name(plan.file);
  switch (plan.source) {
    case QVImageSource::layer:
      return plain_name(file + ": " + plan.item);
    case QVImageSource::timeline:
      return plain_name(file + ": t_(" + plan.item + ")");
    case QVImageSource::symbol: {
      std::string text = plan.item.size() > 2 ? plan.item.substr(1, plan.item.size() - 2) : "";
      std::replace(text.begin(), text.end(), '"', '\'');
      return plan.item + " \"" + text + "\"";
    }
    case QVImageSource::image:
      break;
  }
  return plain_name(file);
}

std::vector<double> qv_image_path_points(const QVImagePathPlan &plan) {
  double ax = plan.x1, ay = plan.y1, bx = plan.x2, by = plan.y2;
  if (plan.marker) {
    ax = bx = centre_x(plan);
    ay = std::min(plan.y1, plan.y2);
    by = std::max(plan.y1, plan.y2);
  }
  return {ax, ay, 1, ax, ay, 2, bx, by, 2, bx, by, 1, bx, by, 2};
}

std::vector<std::pair<std::string, std::string>> qv_image_path_style(const QVImagePathPlan &plan) {
  std::vector<std::pair<std::string, std::string>> style = {
      {"image: ", plan.file},
      {"image-original-size: ", number_pair(plan.width, plan.height)},
      {"image-merge-visible: ", plan.merge_visible ? "3" : "0"},
      {"aspect-ratio-mode: ", plan.marker ? "13" : "1"},
  };
  if (plan.source == QVImageSource::layer) style.push_back({"layer: ", plan.item});
  if (plan.source == QVImageSource::timeline) {
    char seconds[G_ASCII_DTOSTR_BUF_SIZE];
    g_ascii_formatd(seconds, sizeof seconds, "%0.3f", plan.timeline_seconds);
    style.push_back({"@-timeline: ", plan.item});
    style.push_back({"@-timeline-dur: ", seconds});
  }
  if (plan.marker)
    style.push_back({"marker-offsets: ", number_pair(centre_x(plan), std::min(plan.y1, plan.y2))});
  return style;
}

std::vector<std::string> qv_symbol_layers(const std::vector<std::string> &layer_names) {
  std::vector<std::string> symbols;
  for (const std::string &name : layer_names)
    if (name.size() > 2 && name.front() == '[' && name.back() == ']' &&
        name.find(']') == name.size() - 1)
      symbols.push_back(name);
  return symbols;
}
