#include "dvd_menu.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/image_file.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"
#include "platform/window/window.h"

namespace platform::disc {
namespace {

constexpr int kWidth = 720;
// Designed on the NTSC picture; a PAL picture stretches the rows to its 576 lines.
constexpr int kThumbWidth = 152;
constexpr int kThumbHeight = 104;  // 4:3 once the player widens NTSC's narrow pixels
constexpr int kColumnCenters[3] = {184, 360, 536};
constexpr int kRowTops[2] = {96, 256};
constexpr int kNameHeight = 40;
constexpr int kNavTop = 404;
constexpr int kNavHeight = 32;
constexpr int kFrame = 4;  // the highlight's width around a button

int Even(int value) { return value & ~1; }

int ScaleY(int y, bool ntsc) { return Even(ntsc ? y : y * 576 / 480); }

// Names may hold anything a file name can: one line, and short enough for two rows under a thumbnail.
std::string ButtonText(const std::string& name) {
  std::string text;
  for (const char c : name) text += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
  if (text.size() > 80) text = text.substr(0, 77) + "...";
  return text;
}

struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  std::uint32_t* pixels = nullptr;
  int width = 0, height = 0;

  Canvas(int w, int h) : width(w), height(h) {
    void* bits = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateRgbDibSection(w, h, 32, true, &bits);
    pixels = static_cast<std::uint32_t*>(bits);
    if (bitmap) old = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    if (old) SelectObject(dc, old);
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool Ok() const { return pixels != nullptr; }
  void Fill(const RECT& r, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  void Frame(RECT r, int width, COLORREF color) {
    for (int i = 0; i < width; ++i) {
      HBRUSH brush = CreateSolidBrush(color);
      FrameRect(dc, &r, brush);
      DeleteObject(brush);
      InflateRect(&r, -1, -1);
    }
  }
  void Text(const std::string& text, RECT r, int size, bool bold, COLORREF color, UINT format) {
    HFONT font = CreateFont(-size, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, "Sans");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    DeleteObject(font);
  }
  bool Save(const std::string& path) {
    std::vector<std::uint32_t> rgb(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = pixels[i] & 0xFFFFFF;
    return gdi::WritePng(rgb.data(), width, height, path);
  }
};

bool DrawThumbnail(Canvas& canvas, const std::string& file, const RECT& r) {
  if (file.empty()) return false;
  HBITMAP picture = gdi::LoadImageFile(file);
  if (!picture) return false;
  BITMAP info{};
  GetObject(picture, sizeof info, &info);
  HDC source = CreateCompatibleDC(canvas.dc);
  HGDIOBJ old = SelectObject(source, picture);
  SetStretchBltMode(canvas.dc, HALFTONE);
  const bool ok = info.bmWidth > 0 && info.bmHeight > 0 &&
                  StretchBlt(canvas.dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, info.bmWidth,
                             info.bmHeight, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(picture);
  return ok;
}

}  // namespace

std::vector<MenuPage> LayoutMenu(int titles, bool ntsc) {
  std::vector<MenuPage> pages;
  const int count = std::max(0, titles);
  const int pageCount = std::max(1, (count + kMenuButtonsPerPage - 1) / kMenuButtonsPerPage);
  for (int p = 0; p < pageCount; ++p) {
    MenuPage page;
    for (int i = 0; i < kMenuButtonsPerPage; ++i) {
      const int title = p * kMenuButtonsPerPage + i + 1;
      if (title > count) break;
      MenuButton b;
      b.name = "t" + std::to_string(title);
      b.command = "jump title " + std::to_string(title) + ";";
      b.title = title;
      const int row = i / 3, column = i % 3;
      b.x0 = Even(kColumnCenters[column] - kThumbWidth / 2 - kFrame);
      b.x1 = Even(kColumnCenters[column] + kThumbWidth / 2 + kFrame);
      b.y0 = ScaleY(kRowTops[row] - kFrame, ntsc);
      b.y1 = ScaleY(kRowTops[row], ntsc) + ScaleY(kThumbHeight, ntsc) + kNameHeight + kFrame;
      page.buttons.push_back(b);
    }
    const auto nav = [&](const char* name, int target, int x0) {
      MenuButton b;
      b.name = name;
      b.command = "jump menu " + std::to_string(target) + ";";
      b.x0 = x0;
      b.x1 = x0 + 140;
      b.y0 = ScaleY(kNavTop, ntsc);
      b.y1 = b.y0 + kNavHeight;
      page.buttons.push_back(b);
    };
    if (p > 0) nav("prev", p, 80);
    if (p + 1 < pageCount) nav("next", p + 2, kWidth - 80 - 140);
    pages.push_back(page);
  }
  return pages;
}

int MenuPageOfTitle(int title) { return std::max(0, title - 1) / kMenuButtonsPerPage + 1; }

bool DrawMenuPage(const std::vector<MenuPage>& pages, int index, const std::vector<MenuTitle>& titles,
                  const std::string& discName, bool ntsc, const MenuPictures& out) {
  if (index < 0 || index >= static_cast<int>(pages.size())) return false;
  const MenuPage& page = pages[index];
  const int height = ntsc ? 480 : 576;
  Canvas background(kWidth, height), normal(kWidth, height), highlight(kWidth, height), select(kWidth, height);
  if (!background.Ok() || !normal.Ok() || !highlight.Ok() || !select.Ok()) return false;
  // A deep blue that darkens downwards, in bands the encoder keeps smooth.
  for (int y = 0; y < height; y += 8) {
    const int shade = 96 - y * 72 / height;
    background.Fill(RECT{0, y, kWidth, y + 8}, RGB(shade / 4, shade / 3, shade));
  }
  const RECT all{0, 0, kWidth, height};
  for (Canvas* layer : {&normal, &highlight, &select}) layer->Fill(all, RGB(0, 0, 0));
  background.Text(ButtonText(discName.empty() ? "Disc" : discName), RECT{60, ScaleY(28, ntsc), 660, ScaleY(76, ntsc)},
                  30, true, RGB(255, 255, 255), DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
  for (const MenuButton& b : page.buttons) {
    const RECT outer{b.x0, b.y0, b.x1, b.y1};
    if (b.title) {
      const RECT thumb{b.x0 + kFrame, b.y0 + kFrame, b.x1 - kFrame, b.y1 - kFrame - kNameHeight};
      const RECT nameArea{b.x0, thumb.bottom + 4, b.x1, b.y1 - kFrame};
      const MenuTitle* title = b.title <= static_cast<int>(titles.size()) ? &titles[b.title - 1] : nullptr;
      const std::string name = ButtonText(title ? title->name : "Title " + std::to_string(b.title));
      if (title && DrawThumbnail(background, title->thumbnail, thumb)) {
        background.Text(name, nameArea, 15, false, RGB(235, 235, 235), DT_CENTER | DT_WORDBREAK | DT_END_ELLIPSIS);
      } else {
        // No picture: the name alone fills the button.
        background.Fill(thumb, RGB(30, 40, 90));
        RECT inside = thumb;
        InflateRect(&inside, -6, -6);
        background.Text(name, inside, 18, true, RGB(255, 255, 255), DT_CENTER | DT_WORDBREAK | DT_END_ELLIPSIS);
      }
      normal.Frame(RECT{thumb.left - 2, thumb.top - 2, thumb.right + 2, thumb.bottom + 2}, 2, RGB(200, 200, 200));
    } else {
      background.Fill(outer, RGB(30, 40, 90));
      background.Text(b.name == "prev" ? "< Previous" : "Next >", outer, 18, true, RGB(255, 255, 255),
                      DT_CENTER | DT_SINGLELINE | DT_VCENTER);
      normal.Frame(outer, 2, RGB(200, 200, 200));
    }
    highlight.Frame(outer, kFrame, RGB(255, 220, 0));
    select.Frame(outer, kFrame, RGB(255, 60, 40));
  }
  if (pages.size() > 1)
    background.Text("Page " + std::to_string(index + 1) + " of " + std::to_string(pages.size()),
                    RECT{240, ScaleY(kNavTop, ntsc), 480, ScaleY(kNavTop, ntsc) + kNavHeight}, 15, false,
                    RGB(190, 190, 210), DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  return background.Save(out.background) && normal.Save(out.normal) && highlight.Save(out.highlight) &&
         select.Save(out.select);
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      case '\t': out += "&#9;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string SpumuxXml(const MenuPage& page, const MenuPictures& pictures) {
  std::string xml =
      "<subpictures>\n <stream>\n  <spu start=\"00:00:00.00\" force=\"yes\" transparent=\"000000\" image=\"" +
      XmlEscaped(pictures.normal) + "\" highlight=\"" + XmlEscaped(pictures.highlight) + "\" select=\"" +
      XmlEscaped(pictures.select) + "\">\n";
  for (const MenuButton& b : page.buttons)
    xml += "   <button name=\"" + b.name + "\" x0=\"" + std::to_string(b.x0) + "\" y0=\"" + std::to_string(b.y0) +
           "\" x1=\"" + std::to_string(b.x1) + "\" y1=\"" + std::to_string(b.y1) + "\"/>\n";
  return xml + "  </spu>\n </stream>\n</subpictures>\n";
}

namespace {

// One titleset's attributes: dvdauthor takes a single picture shape and sound format a titleset.
std::string TitlesetAttributes(const AuthoredTitle& title, const std::string& format) {
  // Players must letterbox 16:9 on a 4:3 set: the titles carry no pan-and-scan vectors.
  std::string xml = "   <video format=\"" + format + "\" aspect=\"" +
                    (title.wide ? "16:9\" widescreen=\"nopanscan" : "4:3") + "\"/>\n";
  if (title.sound == "mp2" || title.sound == "ac3") xml += "   <audio format=\"" + title.sound + "\"/>\n";
  return xml;
}

bool SameTitleset(const AuthoredTitle& a, const AuthoredTitle& b) { return a.wide == b.wide && a.sound == b.sound; }

std::string TitlesetsXml(const std::vector<AuthoredTitle>& titles, const std::string& format, bool menu) {
  std::string xml;
  for (size_t t = 0; t < titles.size(); ++t) {
    if (t == 0 || !SameTitleset(titles[t - 1], titles[t]))
      xml += std::string(t ? "  </titles>\n </titleset>\n" : "") + " <titleset>\n  <titles>\n" +
             TitlesetAttributes(titles[t], format);
    xml += "   <pgc>\n";
    for (size_t f = 0; f < titles[t].files.size(); ++f) {
      xml += "    <vob file=\"" + XmlEscaped(titles[t].files[f]) + "\"";
      if (f == 0 && !titles[t].chapters.empty()) xml += " chapters=\"" + XmlEscaped(titles[t].chapters) + "\"";
      xml += "/>\n";
    }
    if (menu)
      xml += "    <post>call vmgm menu " + std::to_string(MenuPageOfTitle(static_cast<int>(t) + 1)) + ";</post>\n";
    xml += "   </pgc>\n";
  }
  if (!titles.empty()) xml += "  </titles>\n </titleset>\n";
  return xml;
}

}  // namespace

std::string MenuDiscXml(const std::vector<MenuPage>& pages, const std::vector<std::string>& menuFiles,
                        const std::vector<AuthoredTitle>& titles, bool ntsc) {
  const std::string format = ntsc ? "ntsc" : "pal";
  std::string xml = "<dvdauthor format=\"" + format + "\">\n <vmgm>\n  <fpc>jump vmgm menu 1;</fpc>\n  <menus>\n" +
                    "   <video format=\"" + format + "\" aspect=\"4:3\"/>\n";
  for (size_t p = 0; p < pages.size() && p < menuFiles.size(); ++p) {
    xml += p == 0 ? "   <pgc entry=\"title\">\n" : "   <pgc>\n";
    // A button's "jump title N" counts the disc's titles across every titleset.
    for (const MenuButton& b : pages[p].buttons)
      xml += "    <button name=\"" + b.name + "\">" + b.command + "</button>\n";
    xml += "    <vob file=\"" + XmlEscaped(menuFiles[p]) + "\" pause=\"inf\"/>\n   </pgc>\n";
  }
  xml += "  </menus>\n </vmgm>\n";
  return xml + TitlesetsXml(titles, format, true) + "</dvdauthor>\n";
}

std::string PlainDiscXml(const std::vector<AuthoredTitle>& titles, bool ntsc) {
  const std::string format = ntsc ? "ntsc" : "pal";
  return "<dvdauthor format=\"" + format + "\">\n <vmgm>\n  <fpc>jump title 1;</fpc>\n </vmgm>\n" +
         TitlesetsXml(titles, format, false) + "</dvdauthor>\n";
}

}  // namespace platform::disc
