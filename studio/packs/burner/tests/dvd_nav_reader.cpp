#include "dvd_nav_reader.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/nav_read.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/base/process.h"
#include "platform/gdi/image_file.h"

namespace studio::packs {
namespace {

std::string Hex(const vm_cmd_t& cmd) {
  std::string text;
  char byte[4];
  for (const std::uint8_t b : cmd.bytes) {
    std::snprintf(byte, sizeof byte, "%02x", b);
    text += byte;
  }
  return text;
}

// Decodes the jumps a menu disc uses: to a title (JumpTT, JumpVTS_TT), to a program chain of the
// main menus (LinkPGCN inside them, JumpSS or CallSS to the menus' program chain).
NavJump Decode(const vm_cmd_t& cmd) {
  NavJump jump;
  jump.raw = Hex(cmd);
  const std::uint8_t* b = cmd.bytes;
  if (b[0] == 0x30 && (b[1] & 0x0F) == 0x02) jump = {NavJump::Title, b[5] & 0x7F, jump.raw};
  else if (b[0] == 0x30 && (b[1] & 0x0F) == 0x03) jump = {NavJump::Title, b[5] & 0x7F, jump.raw};
  else if ((b[0] == 0x30 && ((b[1] & 0x0F) == 0x06 || (b[1] & 0x0F) == 0x08)) && (b[5] >> 6) == 3)
    jump = {NavJump::MenuPage, ((b[2] << 8) | b[3]) & 0x7FFF, jump.raw};
  else if ((b[0] & 0xF0) == 0x20 && (b[1] & 0x0F) == 0x04)
    jump = {NavJump::MenuPage, ((b[6] << 8) | b[7]) & 0x7FFF, jump.raw};
  return jump;
}

// The first jump a command list makes; the commands before it only set registers.
NavJump FirstJump(const vm_cmd_t* cmds, int count) {
  NavJump last;
  for (int i = 0; i < count; ++i) {
    const NavJump jump = Decode(cmds[i]);
    if (jump.kind != NavJump::None) return jump;
    last = jump;
  }
  return last;
}

std::uint32_t Rgb(std::uint32_t yCrCb) {
  const double y = (yCrCb >> 16) & 0xFF, cr = (yCrCb >> 8) & 0xFF, cb = yCrCb & 0xFF;
  const auto clamp = [](double v) { return static_cast<std::uint32_t>(std::clamp(v + 0.5, 0.0, 255.0)); };
  const double c = 1.164 * (y - 16);
  return clamp(c + 1.596 * (cr - 128)) << 16 | clamp(c - 0.813 * (cr - 128) - 0.391 * (cb - 128)) << 8 |
         clamp(c + 2.018 * (cb - 128));
}

struct Dvd {
  dvd_reader_t* reader = nullptr;
  ifo_handle_t* vmg = nullptr;
  dvd_file_t* menus = nullptr;
  ~Dvd() {
    if (menus) DVDCloseFile(menus);
    if (vmg) ifoClose(vmg);
    if (reader) DVDClose(reader);
  }
};

}  // namespace

bool ReadDvdNavigation(const std::string& disc, DvdNavigation* navigation, std::string* error) {
  Dvd dvd;
  dvd.reader = DVDOpen(disc.c_str());
  if (!dvd.reader || !(dvd.vmg = ifoOpen(dvd.reader, 0))) {
    *error = "no DVD-Video at " + disc;
    return false;
  }
  *navigation = {};
  if (const pgc_t* fp = dvd.vmg->first_play_pgc; fp && fp->command_tbl)
    navigation->firstPlay = FirstJump(fp->command_tbl->pre_cmds, fp->command_tbl->nr_of_pre);
  if (dvd.vmg->pgci_ut && dvd.vmg->pgci_ut->nr_of_lus > 0) {
    const pgcit_t* menus = dvd.vmg->pgci_ut->lu[0].pgcit;
    dvd.menus = DVDOpenFile(dvd.reader, 0, DVD_READ_MENU_VOBS);
    for (int p = 0; menus && p < menus->nr_of_pgci_srp; ++p) {
      const pgc_t* pgc = menus->pgci_srp[p].pgc;
      if (p == 0)
        for (int i = 0; i < 16; ++i) navigation->palette[i] = Rgb(pgc->palette[i]);
      std::vector<NavButton> buttons;
      unsigned char block[DVD_VIDEO_LB_LEN];
      if (dvd.menus && pgc->nr_of_cells > 0 &&
          DVDReadBlocks(dvd.menus, static_cast<int>(pgc->cell_playback[0].first_sector), 1, block) == 1) {
        pci_t pci{};
        navRead_PCI(&pci, block + 0x2D);
        if (p == 0)
          for (int c = 0; c < 3; ++c)
            for (int m = 0; m < 2; ++m) navigation->buttonColors[c][m] = pci.hli.btn_colit.btn_coli[c][m];
        for (int i = 0; i < (pci.hli.hl_gi.btn_ns & 0x3F); ++i) {
          const btni_t& b = pci.hli.btnit[i];
          NavButton button;
          button.jump = Decode(b.cmd);
          button.x0 = static_cast<int>(b.x_start);
          button.x1 = static_cast<int>(b.x_end);
          button.y0 = static_cast<int>(b.y_start);
          button.y1 = static_cast<int>(b.y_end);
          button.up = static_cast<int>(b.up);
          button.down = static_cast<int>(b.down);
          button.left = static_cast<int>(b.left);
          button.right = static_cast<int>(b.right);
          if (p == 0) navigation->buttonColorNumbers.push_back(static_cast<int>(b.btn_coln));
          buttons.push_back(button);
        }
      }
      navigation->menuPages.push_back(buttons);
    }
  }
  const tt_srpt_t* titles = dvd.vmg->tt_srpt;
  for (int t = 0; titles && t < titles->nr_of_srpts; ++t) {
    NavJump end;
    if (ifo_handle_t* vts = ifoOpen(dvd.reader, titles->title[t].title_set_nr)) {
      const int ttn = titles->title[t].vts_ttn;
      if (vts->vts_ptt_srpt && ttn >= 1 && ttn <= vts->vts_ptt_srpt->nr_of_srpts && vts->vts_pgcit) {
        const int pgcn = vts->vts_ptt_srpt->title[ttn - 1].ptt[0].pgcn;
        const pgc_t* pgc = vts->vts_pgcit->pgci_srp[pgcn - 1].pgc;
        if (pgc->command_tbl) end = FirstJump(pgc->command_tbl->post_cmds, pgc->command_tbl->nr_of_post);
      }
      ifoClose(vts);
    }
    navigation->titleEnds.push_back(end);
  }
  return true;
}

bool CopyMenuVideo(const std::string& disc, const std::string& path) {
  Dvd dvd;
  dvd.reader = DVDOpen(disc.c_str());
  if (!dvd.reader || !(dvd.menus = DVDOpenFile(dvd.reader, 0, DVD_READ_MENU_VOBS))) return false;
  const ssize_t blocks = DVDFileSize(dvd.menus);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  unsigned char block[DVD_VIDEO_LB_LEN];
  bool ok = blocks > 0;
  for (ssize_t i = 0; ok && i < blocks; ++i)
    ok = DVDReadBlocks(dvd.menus, static_cast<int>(i), 1, block) == 1 && std::fwrite(block, sizeof block, 1, out) == 1;
  return std::fclose(out) == 0 && ok;
}

namespace {

// A subpicture unit decoded: 2-bit pixels over its area, with its four colours and alphas.
struct Subpicture {
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
  int colors[4] = {};                // palette index of each pixel value
  int alphas[4] = {};                // 0..15
  std::vector<std::uint8_t> pixels;  // (x1 - x0 + 1) * (y1 - y0 + 1) values 0..3
};

bool DecodeSubpicture(const std::vector<std::uint8_t>& unit, Subpicture* spu) {
  if (unit.size() < 4) return false;
  const size_t size = std::min<size_t>(unit.size(), (unit[0] << 8) | unit[1]);
  size_t at = ((unit[2] << 8) | unit[3]) + 4;  // the first control sequence's commands
  size_t fields[2] = {0, 0};
  while (at < size && unit[at] != 0xFF) {
    const std::uint8_t command = unit[at++];
    if (command == 0x03 && at + 2 <= size) {
      spu->colors[3] = unit[at] >> 4, spu->colors[2] = unit[at] & 15;
      spu->colors[1] = unit[at + 1] >> 4, spu->colors[0] = unit[at + 1] & 15;
      at += 2;
    } else if (command == 0x04 && at + 2 <= size) {
      spu->alphas[3] = unit[at] >> 4, spu->alphas[2] = unit[at] & 15;
      spu->alphas[1] = unit[at + 1] >> 4, spu->alphas[0] = unit[at + 1] & 15;
      at += 2;
    } else if (command == 0x05 && at + 6 <= size) {
      spu->x0 = (unit[at] << 4) | (unit[at + 1] >> 4);
      spu->x1 = ((unit[at + 1] & 15) << 8) | unit[at + 2];
      spu->y0 = (unit[at + 3] << 4) | (unit[at + 4] >> 4);
      spu->y1 = ((unit[at + 4] & 15) << 8) | unit[at + 5];
      at += 6;
    } else if (command == 0x06 && at + 4 <= size) {
      fields[0] = (unit[at] << 8) | unit[at + 1];
      fields[1] = (unit[at + 2] << 8) | unit[at + 3];
      at += 4;
    } else if (command > 0x02) {
      return false;
    }
  }
  const int width = spu->x1 - spu->x0 + 1, height = spu->y1 - spu->y0 + 1;
  if (width <= 0 || height <= 0) return false;
  spu->pixels.assign(static_cast<size_t>(width) * height, 0);
  for (int field = 0; field < 2; ++field) {
    size_t nibble = fields[field] * 2;
    const auto next = [&]() -> int {
      const size_t byte = nibble / 2;
      const int value = byte < size ? (nibble % 2 ? unit[byte] & 15 : unit[byte] >> 4) : 0;
      ++nibble;
      return value;
    };
    for (int y = field; y < height; y += 2) {
      int x = 0;
      while (x < width) {
        // A code is one to four nibbles: each further nibble is read only while the code so far
        // is too small to be a code of its own length.
        int code = next();
        if (code < 0x4) {
          code = code << 4 | next();
          if (code < 0x10) {
            code = code << 4 | next();
            if (code < 0x40) code = code << 4 | next();
          }
        }
        const int run = code >> 2 ? code >> 2 : width - x;  // 0: to the line's end
        for (int i = 0; i < run && x < width; ++i) spu->pixels[static_cast<size_t>(y) * width + x++] = code & 3;
      }
      nibble = (nibble + 1) / 2 * 2;  // each line starts on a byte
    }
  }
  return true;
}

std::vector<std::uint8_t> ToolOutput(const std::vector<std::string>& args, const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg", args, &out, &err, &code, 60000);
  std::ifstream in(file, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

bool WriteMenuPicture(const std::string& vob, const DvdNavigation& navigation, int highlighted, const std::string& png,
                      std::string* error) {
  const std::string frameFile = png + ".rgb", spuFile = png + ".spu";
  const std::vector<std::uint8_t> frame = ToolOutput(
      {"-v", "error", "-y", "-i", vob, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", frameFile}, frameFile);
  const std::vector<std::uint8_t> unit =
      ToolOutput({"-v", "error", "-y", "-i", vob, "-map", "0:s:0", "-c", "copy", "-f", "data", spuFile}, spuFile);
  std::remove(frameFile.c_str());
  std::remove(spuFile.c_str());
  const int width = 720;
  const int height = static_cast<int>(frame.size() / 3 / width);
  Subpicture spu;
  if ((height != 480 && height != 576) || !DecodeSubpicture(unit, &spu)) {
    *error = "the menu's frame or subpicture cannot be read";
    return false;
  }
  std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = frame[i * 3] << 16 | frame[i * 3 + 1] << 8 | frame[i * 3 + 2];
  const NavButton* button = nullptr;
  int colorNumber = 0;
  if (highlighted >= 1 &&
      highlighted <= static_cast<int>(navigation.menuPages.empty() ? 0 : navigation.menuPages[0].size())) {
    button = &navigation.menuPages[0][highlighted - 1];
    colorNumber = navigation.buttonColorNumbers[highlighted - 1];
  }
  const int spuWidth = spu.x1 - spu.x0 + 1;
  for (int y = spu.y0; y <= spu.y1 && y < height; ++y)
    for (int x = spu.x0; x <= spu.x1 && x < width; ++x) {
      const int value = spu.pixels[static_cast<size_t>(y - spu.y0) * spuWidth + (x - spu.x0)];
      int color = spu.colors[value], alpha = spu.alphas[value];
      if (button && colorNumber >= 1 && x >= button->x0 && x <= button->x1 && y >= button->y0 && y <= button->y1) {
        // The highlighted button's pixels take the button colours: indices high, alphas low.
        const std::uint32_t scheme = navigation.buttonColors[colorNumber - 1][0];
        color = static_cast<int>(scheme >> (16 + value * 4)) & 15;
        alpha = static_cast<int>(scheme >> (value * 4)) & 15;
      }
      if (!alpha) continue;
      const std::uint32_t over = navigation.palette[color], under = pixels[static_cast<size_t>(y) * width + x];
      std::uint32_t mixed = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const int a = (over >> shift) & 255, b = (under >> shift) & 255;
        mixed |= static_cast<std::uint32_t>((a * alpha + b * (15 - alpha)) / 15) << shift;
      }
      pixels[static_cast<size_t>(y) * width + x] = mixed;
    }
  if (!platform::gdi::WritePng(pixels.data(), width, height, png)) {
    *error = "cannot write " + png;
    return false;
  }
  return true;
}

}  // namespace studio::packs
