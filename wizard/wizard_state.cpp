#include "wizard_state.h"

#include <strings.h>

#include "platform/disc/qn_data_cd_dvd.h"
#include "widgets/tv_standards.h"

namespace wizard {

WizardState& State() {
  static WizardState state;
  return state;
}

CQnDataCDDVD& Writer() {
  static CQnDataCDDVD writer;
  return writer;
}

namespace {

struct NamedStandard {
  const char* text;
  DWORD standard;
  int family;
};

constexpr NamedStandard kStandards[] = {
    {"NTSC", 0x1, 1},        {"NTSC_M", 0x1, 1},       {"NTSC_M_J", 0x2, 1},
    {"NTSC_433", 0x4, 1},    {"PAL", 0x10, 2},         {"PAL_B", 0x10, 2},
    {"PAL_D", 0x20, 2},      {"PAL_H", 0x80, 2},       {"PAL_I", 0x100, 2},
    {"PAL_M", 0x200, 1},     {"PAL_N", 0x400, 2},      {"PAL_60", 0x800, 2},
    {"SECAM_B", 0x1000, 2},  {"SECAM_D", 0x2000, 2},   {"SECAM_G", 0x4000, 2},
    {"SECAM_H", 0x8000, 2},  {"SECAM_K", 0x10000, 2},  {"SECAM_K1", 0x20000, 2},
    {"SECAM_L", 0x40000, 2}, {"SECAM_L1", 0x80000, 2}, {"PAL_N_COMBO", 0x100000, 2},
};

// SECAM G, H, K, K1, L and L1: the recorder has no encoder setting for them.
constexpr DWORD kSecamWithoutTwin = 0x4000 | 0x8000 | 0x10000 | 0x20000 | 0x40000 | 0x80000;

}  // namespace

VideoStandard VideoStandardFromText(const std::string& text) {
  if (strcasecmp(text.c_str(), "LOCAL") == 0) {
    CCountryTvStandardTable table;
    DWORD standard = table.GetUserCountryValue();
    if (standard & kSecamWithoutTwin) standard = 0x10;
    return {standard, table.GetLocaleTvStandard() == TV_STANDARD_PAL ? 2 : 1};
  }
  for (const NamedStandard& named : kStandards)
    if (strcasecmp(text.c_str(), named.text) == 0) return {named.standard, named.family};
  return {0x1, 1};
}

}  // namespace wizard
