// Resize anchors: children moved or grown with the edges they are anchored to.
#include "KVPlatform/dialog_layout.h"

#include <algorithm>

#include "KVPlatform/dialog.h"

namespace kv {

void DialogLayout::Record(const CDialog& dialog) {
  children_.clear();
  for (const ControlState& control : dialog.Controls()) {
    children_.push_back({control.Id(), control.x, control.y, control.cx, control.cy, kAnchorFixed});
  }
  width_ = dialog.Width();
  height_ = dialog.Height();
}

void DialogLayout::SetAnchor(int controlId, uint32_t anchors) {
  for (Child& child : children_) {
    if (child.id == controlId) child.anchors = anchors;
  }
}

void DialogLayout::Apply(CDialog& dialog) const {
  const int dx = dialog.Width() - width_;
  const int dy = dialog.Height() - height_;
  // One span of a child along one axis: grows when anchored at both ends, moves when
  // anchored at the far end only.
  auto place = [](int at, int size, int delta, bool nearEdge, bool farEdge, int* newAt, int* newSize) {
    *newAt = at;
    *newSize = size;
    if (farEdge && nearEdge) {
      *newSize = std::max(0, size + delta);
    } else if (farEdge) {
      *newAt = at + delta;
    }
  };
  for (const Child& child : children_) {
    if (child.id == kIdcStatic) continue;  // statics without an id keep their place
    int x = 0, cx = 0, y = 0, cy = 0;
    place(child.x, child.cx, dx, (child.anchors & kAnchorLeft) != 0,
          (child.anchors & kAnchorRight) != 0, &x, &cx);
    place(child.y, child.cy, dy, (child.anchors & kAnchorTop) != 0,
          (child.anchors & kAnchorBottom) != 0, &y, &cy);
    dialog.MoveControl(child.id, x, y, cx, cy);
  }
}

}  // namespace kv
