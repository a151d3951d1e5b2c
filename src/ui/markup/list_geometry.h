// Which item of a list with variable item heights lies under a point. The
// list box's own LB_ITEMFROMPOINT answers in 16 bits, so past 65,535 items it
// names the wrong item; this works from the top index and the heights.
#pragma once

#include <functional>

namespace corvanta::markup {

// Height in pixels of item `index`.
using ItemHeightOf = std::function<int(int index)>;

// The item under client offset y (0 = top of the client area) of a list of
// `count` items scrolled to `topIndex`; -1 when y is above the list or
// below its last item. Walks only the items from the top index to y.
int ItemAtOffset(int count, int topIndex, int y, const ItemHeightOf& heightOf);

}  // namespace corvanta::markup
