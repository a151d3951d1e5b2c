#include "ui/markup/list_geometry.h"

namespace corvanta::markup {

int ItemAtOffset(int count, int topIndex, int y, const ItemHeightOf& heightOf) {
  if (y < 0 || topIndex < 0 || topIndex >= count) return -1;
  int bottom = 0;
  for (int i = topIndex; i < count; ++i) {
    const int h = heightOf(i);
    // An item of no height would never be hit; one pixel keeps the walk moving.
    bottom += h > 0 ? h : 1;
    if (y < bottom) return i;
  }
  return -1;
}

}  // namespace corvanta::markup
