// Image lists drawn from the names of their pictures.
#include "gui_images.h"

#include <wx/dcmemory.h>
#include <wx/wx.h>

#include "KVPlatform/text.h"

namespace kv::gui {
namespace {

constexpr int kSize = 16;

struct NamedColour {
  const wchar_t* word;
  unsigned char r, g, b;
};

constexpr NamedColour kColours[] = {
    {L"red", 204, 40, 40},     {L"green", 40, 160, 60},   {L"blue", 50, 100, 210},
    {L"yellow", 230, 190, 20}, {L"orange", 240, 140, 20}, {L"grey", 128, 128, 128},
    {L"gray", 128, 128, 128},  {L"black", 20, 20, 20},    {L"white", 250, 250, 250},
    {L"purple", 140, 60, 170},
};

enum class Shape { kDot, kFolder, kFile, kCheck, kCross, kWarning, kQuestion, kNone };

struct NamedShape {
  const wchar_t* word;
  Shape shape;
};

constexpr NamedShape kShapes[] = {
    {L"folder", Shape::kFolder}, {L"file", Shape::kFile},       {L"document", Shape::kFile},
    {L"check", Shape::kCheck},   {L"tick", Shape::kCheck},      {L"cross", Shape::kCross},
    {L"error", Shape::kCross},   {L"warning", Shape::kWarning}, {L"question", Shape::kQuestion},
};

bool HasWord(const std::wstring& folded, const wchar_t* word) {
  return folded.find(FoldCase(word)) != std::wstring::npos;
}

void Draw(wxDC& dc, Shape shape, const wxColour& colour) {
  const wxColour edge = colour.ChangeLightness(60);
  dc.SetPen(wxPen(edge));
  dc.SetBrush(wxBrush(colour));
  switch (shape) {
    case Shape::kFolder:
      dc.DrawRectangle(1, 3, 7, 3);
      dc.DrawRectangle(1, 5, 14, 9);
      break;
    case Shape::kFile:
      dc.SetBrush(wxBrush(*wxWHITE));
      dc.DrawRectangle(3, 1, 10, 14);
      dc.SetPen(wxPen(colour));
      for (int y = 4; y <= 11; y += 3) dc.DrawLine(5, y, 11, y);
      break;
    case Shape::kCheck:
      dc.SetPen(wxPen(colour, 3));
      dc.DrawLine(2, 8, 6, 12);
      dc.DrawLine(6, 12, 14, 3);
      break;
    case Shape::kCross:
      dc.SetPen(wxPen(colour, 3));
      dc.DrawLine(3, 3, 13, 13);
      dc.DrawLine(13, 3, 3, 13);
      break;
    case Shape::kWarning: {
      const wxPoint triangle[] = {{8, 1}, {15, 14}, {1, 14}};
      dc.DrawPolygon(3, triangle);
      dc.SetPen(wxPen(*wxBLACK, 2));
      dc.DrawLine(8, 5, 8, 10);
      dc.DrawPoint(8, 12);
      break;
    }
    case Shape::kQuestion:
      dc.DrawCircle(8, 8, 7);
      dc.SetTextForeground(*wxWHITE);
      dc.SetFont(wxFontInfo(8).Bold());
      dc.DrawLabel("?", wxRect(0, 0, kSize, kSize), wxALIGN_CENTER);
      break;
    case Shape::kDot: dc.DrawCircle(8, 8, 5); break;
    case Shape::kNone: break;
  }
}

wxBitmap Picture(const std::wstring& label) {
  const std::wstring folded = FoldCase(label);
  wxColour colour(128, 128, 128);
  for (const NamedColour& named : kColours) {
    if (HasWord(folded, named.word)) {
      colour.Set(named.r, named.g, named.b);
      break;
    }
  }
  Shape shape = label.empty() ? Shape::kNone : Shape::kDot;
  for (const NamedShape& named : kShapes) {
    if (HasWord(folded, named.word)) {
      shape = named.shape;
      break;
    }
  }
  // Drawn on magenta, which the mask makes transparent.
  wxBitmap bitmap(kSize, kSize, 24);
  {
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(wxColour(255, 0, 255)));
    dc.Clear();
    Draw(dc, shape, colour);
  }
  bitmap.SetMask(new wxMask(bitmap, wxColour(255, 0, 255)));
  return bitmap;
}

}  // namespace

wxImageList* MakeImageList(const std::vector<std::wstring>& labels) {
  auto* list = new wxImageList(kSize, kSize, true, static_cast<int>(labels.size()));
  for (const std::wstring& label : labels) list->Add(Picture(label));
  return list;
}

}  // namespace kv::gui
