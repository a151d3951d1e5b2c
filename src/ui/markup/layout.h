// Lays the runs of one parsed item out into lines of a given width: fixed
// line height, wrapping at spaces (inside a word only when the word alone is
// wider than the line), hard breaks, centred paragraphs. The widget measures,
// paints and hit-tests from the result, so the drawing code holds no layout.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "ui/markup/markup.h"

namespace corvanta::markup {

// Width in pixels of a text drawn in the normal or the bold font. Widths of
// a text's prefixes must not decrease as the prefix grows.
using MeasureText = std::function<int(const std::string& text, bool bold)>;

struct LayoutOptions {
  int lineHeight = 16;
  int paddingLeft = 2;
  int paddingRight = 2;
  // 0 = no limit. Lines past the limit are left out (a list box item cannot
  // be higher than 255 pixels), which also bounds the work for huge items.
  int maxLines = 0;
  // false: one line per markup line, whatever the width; text past the right
  // edge is cut and the line ends in "...". The height is then known from the
  // markup alone.
  bool wrap = true;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// A piece of one run placed on one line; coordinates relative to the item.
struct Fragment {
  std::string text;
  size_t run = 0;  // index into ParsedMarkup::runs (style, anchor, parameter)
  int line = 0;
  int x = 0, y = 0;  // left and top
  int width = 0;
};

// Where a parameter is drawn: one rectangle per line it occupies.
struct ParamRect {
  int param = 0;
  Rect rect;
};

struct ItemLayout {
  std::vector<Fragment> fragments;
  std::vector<ParamRect> paramRects;
  int lines = 1;
  int height = 0;  // lines * lineHeight
  bool truncated = false;
};

ItemLayout Layout(const ParsedMarkup& parsed, int width, const MeasureText& measure,
                  const LayoutOptions& options = {});

// The parameter drawn at (x, y) of the item, or -1.
int HitTestParam(const ItemLayout& layout, int x, int y);

// The first rectangle of parameter k (where a drop-down opens); false when the
// parameter is not laid out (missing, or cut off by maxLines).
bool ParamBounds(const ItemLayout& layout, int param, Rect& out);

}  // namespace corvanta::markup
