// Pictures for the image lists of tree and list views. The model names what each
// image shows ("green folder", "red cross"); the pictures are drawn from those names.
#pragma once

#include <wx/imaglist.h>

#include <string>
#include <vector>

namespace kv::gui {

// One 16x16 picture per label: its colour is the first colour word of the label (red,
// green, blue, yellow, orange, grey or gray, black, white, purple; grey when none), its
// shape the first shape word (folder, file or document, check or tick, cross or error,
// warning, question; a dot when none). An empty label gives an empty picture.
wxImageList* MakeImageList(const std::vector<std::wstring>& labels);

}  // namespace kv::gui
