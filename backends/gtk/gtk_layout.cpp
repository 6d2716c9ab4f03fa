#include "backends/gtk/gtk_layout.h"

#include <algorithm>
#include <map>

namespace vss::gtk {

std::vector<Line> Lines(const std::vector<ControlDesign>& designs, const std::string& container) {
  std::map<std::int32_t, Line> byTop;
  int leftMargin = 0;
  bool first = true;
  for (int i = 0; i < static_cast<int>(designs.size()); ++i) {
    const ControlDesign& d = designs[static_cast<std::size_t>(i)];
    if (d.Kind == ControlKind::Timer || d.Container != container) continue;
    byTop[d.Top].items.push_back(i);
    leftMargin = first ? d.Left : std::min(leftMargin, d.Left);
    first = false;
  }
  std::vector<Line> lines;
  for (auto& [top, line] : byTop) {
    std::stable_sort(line.items.begin(), line.items.end(), [&designs](int a, int b) {
      return designs[static_cast<std::size_t>(a)].Left < designs[static_cast<std::size_t>(b)].Left;
    });
    line.buttons = std::all_of(line.items.begin(), line.items.end(), [&designs](int i) {
      return designs[static_cast<std::size_t>(i)].Kind == ControlKind::CommandButton;
    });
    // The last button stays with the others even at the margin: a lone
    // button belongs at the right, as GNOME places it.
    if (line.buttons) {
      for (std::size_t k = 0; k + 1 < line.items.size(); ++k) {
        const int i = line.items[k];
        if (designs[static_cast<std::size_t>(i)].Left == leftMargin) line.secondary.push_back(i);
      }
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

int MnemonicTarget(const std::vector<ControlDesign>& designs, int index) {
  for (int i = index + 1; i < static_cast<int>(designs.size()); ++i) {
    const ControlKind kind = designs[static_cast<std::size_t>(i)].Kind;
    if (kind != ControlKind::Label && kind != ControlKind::Frame && kind != ControlKind::Timer) {
      return i;
    }
  }
  return -1;
}

std::string MnemonicText(const std::string& caption) {
  std::string text;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '&') {
      if (i + 1 == caption.size()) break;  // a marker with nothing to mark
      if (caption[i + 1] == '&') {
        text += '&';
        ++i;
      } else {
        text += '_';
      }
    } else if (c == '_') {
      text += "__";
    } else {
      text += c;
    }
  }
  return text;
}

std::string EscapeMarkup(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

}  // namespace vss::gtk
