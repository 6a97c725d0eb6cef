// Resize anchors for a resizable dialog: each child keeps its distance from the edges it
// is anchored to. A dialog records the layout once its controls exist (OnInitDialog)
// and applies it from OnSize:
//
//   m_layout.Record(*this);                                  every child fixed
//   m_layout.SetAnchor(IDC_TREE, kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom);
//   m_layout.SetAnchor(IDOK, kAnchorLeft | kAnchorBottom);   moves with the bottom edge
//   ...
//   void OnSize(int, int) override { m_layout.Apply(*this); }
//
// Horizontally: anchored left and right, a child grows with the dialog; right only, it
// moves with the right edge; otherwise it stays. Vertically the same with top and
// bottom. Positions are in dialog units, as the model keeps them. Statics without an id
// (kIdcStatic) keep their place.
#pragma once

#include "KVPlatform/export.h"

#include <cstdint>
#include <vector>

namespace kv {

class CDialog;

enum Anchor : uint32_t {
  kAnchorLeft = 1u << 0,
  kAnchorTop = 1u << 1,
  kAnchorRight = 1u << 2,
  kAnchorBottom = 1u << 3,
};
inline constexpr uint32_t kAnchorFixed = kAnchorLeft | kAnchorTop;

class KV_EXPORT DialogLayout {
 public:
  // Takes every child's place now, anchored left and top, and the dialog's size as the
  // first client size.
  void Record(const CDialog& dialog);
  // Anchors one child (a child not recorded is ignored).
  void SetAnchor(int controlId, uint32_t anchors);
  // Moves every recorded child for the dialog's size now.
  void Apply(CDialog& dialog) const;

 private:
  struct Child {
    int id;
    int x, y, cx, cy;
    uint32_t anchors;
  };
  std::vector<Child> children_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace kv
