#include "widgets/tv_standards.h"

#include <cstdlib>
#include <cstring>

namespace {

// AnalogVideoStandard flags.
constexpr DWORD NTSC_M = 0x1, NTSC_M_J = 0x2, PAL_B = 0x10, PAL_D = 0x20, PAL_I = 0x100, PAL_M = 0x200, PAL_N = 0x400,
                SECAM_B = 0x1000, SECAM_D = 0x2000, SECAM_G = 0x4000, SECAM_K = 0x10000, SECAM_L = 0x40000;
constexpr DWORD N = TV_STANDARD_NTSC, P = TV_STANDARD_PAL;

// Windows names Canada's locale country 2; the telephony table keeps Canada under 107.
constexpr DWORD kLocaleCanada = 2;
constexpr DWORD kTelephonyCanada = 107;

const CountryTvStandard kRows[] = {
    {684, N, "American Samoa", NTSC_M, "AS"},
    {297, N, "Aruba", NTSC_M, "AW"},
    {104, N, "Barbados", NTSC_M, "BB"},
    {501, N, "Belize", NTSC_M, "BZ"},
    {105, N, "Bermuda", NTSC_M, "BM"},
    {107, N, "Canada", NTSC_M, "CA"},
    {56, N, "Chile", NTSC_M, "CL"},
    {57, N, "Colombia", NTSC_M, "CO"},
    {506, N, "Costa Rica", NTSC_M, "CR"},
    {53, N, "Cuba or Guantanamo Bay", NTSC_M, "CU"},
    {246, N, "Diego Garcia", NTSC_M, "IO"},
    {593, N, "Ecuador", NTSC_M, "EC"},
    {503, N, "El Salvador", NTSC_M, "SV"},
    {502, N, "Guatemala", NTSC_M, "GT"},
    {509, N, "Haiti", NTSC_M, "HT"},
    {504, N, "Honduras", NTSC_M, "HN"},
    {112, N, "Jamaica", NTSC_M, "JM"},
    {82, N, "Korea (South)", NTSC_M, "KR"},
    {692, N, "Marshall Islands", NTSC_M, "MH"},
    {52, N, "Mexico", NTSC_M, "MX"},
    {691, N, "Micronesia", NTSC_M, "FM"},
    {95, N, "Myanmar", NTSC_M, "MM"},
    {599, N, "Netherlands Antilles", NTSC_M, "AN"},
    {505, N, "Nicaragua", NTSC_M, "NI"},
    {680, N, "Palau", NTSC_M, "PW"},
    {507, N, "Panama", NTSC_M, "PA"},
    {51, N, "Peru", NTSC_M, "PE"},
    {63, N, "Philippines", NTSC_M, "PH"},
    {597, N, "Suriname", NTSC_M, "SR"},
    {886, N, "Taiwan Region", NTSC_M, "TW"},
    {676, N, "Tonga", NTSC_M, "TO"},
    {117, N, "Trinidad Tobago", NTSC_M, "TT"},
    {1, N, "United States of America", NTSC_M, "US"},
    {58, N, "Venezuela", NTSC_M, "VE"},
    {81, N, "Japan", NTSC_M_J, "JP"},
    {855, N, "Cambodia", PAL_B, "KH"},
    {237, N, "Cameroon", PAL_B, "CM"},
    {685, N, "Western Samoa", PAL_B, "WS"},
    {55, N, "Brazil", PAL_M, "BR"},
    {591, N, "Bolivia", PAL_N, "BO"},
    {679, P, "Fiji Islands", NTSC_M, "FJ"},
    {299, P, "Greenland", NTSC_M, "GL"},
    {84, P, "Vietnam", NTSC_M, "VN"},
    {93, P, "Afghanistan", PAL_B, "AF"},
    {355, P, "Albania", PAL_B, "AL"},
    {213, P, "Algeria", PAL_B, "DZ"},
    {61, P, "Australia or Cocos-Keeling Islands", PAL_B, "AU"},
    {672, P, "Australian Antarctic Territory or Christmas Island or Norfolk Island", PAL_B, "NF"},
    {43, P, "Austria", PAL_B, "AT"},
    {973, P, "Bahrain", PAL_B, "BH"},
    {880, P, "Bangladesh", PAL_B, "BD"},
    {32, P, "Belgium", PAL_B, "BE"},
    {387, P, "Bosnia and Herzegovina", PAL_B, "BA"},
    {673, P, "Brunei", PAL_B, "BN"},
    {236, P, "Central African Republic", PAL_B, "CF"},
    {235, P, "Chad", PAL_B, "TD"},
    {682, P, "Cook Islands", PAL_B, "CK"},
    {385, P, "Croatia", PAL_B, "HR"},
    {357, P, "Cyprus", PAL_B, "CY"},
    {45, P, "Denmark", PAL_B, "DK"},
    {372, P, "Estonia", PAL_B, "EE"},
    {251, P, "Ethiopia", PAL_B, "ET"},
    {389, P, "F.Y.R.O.M. (Former Yugoslav Republic of Macedonia)", PAL_B, "MK"},
    {298, P, "Faroe Islands", PAL_B, "FO"},
    {358, P, "Finland", PAL_B, "FI"},
    {49, P, "Germany", PAL_B, "DE"},
    {233, P, "Ghana", PAL_B, "GH"},
    {350, P, "Gibraltar", PAL_B, "GI"},
    {354, P, "Iceland", PAL_B, "IS"},
    {91, P, "India", PAL_B, "IN"},
    {62, P, "Indonesia", PAL_B, "ID"},
    {972, P, "Israel", PAL_B, "IL"},
    {39, P, "Italy", PAL_B, "IT"},
    {379, P, "Vatican City", PAL_B, "VA"},
    {962, P, "Jordan", PAL_B, "JO"},
    {254, P, "Kenya", PAL_B, "KE"},
    {686, P, "Kiribati Republic", PAL_B, "KI"},
    {965, P, "Kuwait", PAL_B, "KW"},
    {856, P, "Laos", PAL_B, "LA"},
    {231, P, "Liberia", PAL_B, "LR"},
    {423, P, "Liechtenstein", PAL_B, "LI"},
    {41, P, "Switzerland", PAL_B, "CH"},
    {370, P, "Lithuania", PAL_B, "LT"},
    {352, P, "Luxembourg", PAL_B, "LU"},
    {265, P, "Malawi", PAL_B, "MW"},
    {60, P, "Malaysia", PAL_B, "MY"},
    {960, P, "Maldives", PAL_B, "MV"},
    {356, P, "Malta", PAL_B, "MT"},
    {258, P, "Mozambique", PAL_B, "MZ"},
    {977, P, "Nepal", PAL_B, "NP"},
    {31, P, "Netherlands", PAL_B, "NL"},
    {64, P, "New Zealand", PAL_B, "NZ"},
    {234, P, "Nigeria", PAL_B, "NG"},
    {47, P, "Norway", PAL_B, "NO"},
    {968, P, "Oman", PAL_B, "OM"},
    {92, P, "Pakistan", PAL_B, "PK"},
    {675, P, "Papua New Guinea", PAL_B, "PG"},
    {48, P, "Poland", PAL_B, "PL"},
    {351, P, "Portugal", PAL_B, "PT"},
    {974, P, "Qatar", PAL_B, "QA"},
    {250, P, "Rwanda", PAL_B, "RW"},
    {378, P, "San Marino", PAL_B, "SM"},
    {239, P, "Sao Tome and Principe", PAL_B, "ST"},
    {248, P, "Seychelle Islands", PAL_B, "SC"},
    {232, P, "Sierra Leone", PAL_B, "SL"},
    {65, P, "Singapore", PAL_B, "SG"},
    {421, P, "Slovak Republic", PAL_B, "SK"},
    {386, P, "Slovenia", PAL_B, "SI"},
    {252, P, "Somalia", PAL_B, "SO"},
    {34, P, "Spain", PAL_B, "ES"},
    {94, P, "Sri Lanka", PAL_B, "LK"},
    {249, P, "Sudan", PAL_B, "SD"},
    {268, P, "Swaziland", PAL_B, "SZ"},
    {46, P, "Sweden", PAL_B, "SE"},
    {255, P, "Tanzania", PAL_B, "TZ"},
    {66, P, "Thailand", PAL_B, "TH"},
    {90, P, "Turkey", PAL_B, "TR"},
    {256, P, "Uganda", PAL_B, "UG"},
    {971, P, "United Arab Emirates", PAL_B, "AE"},
    {967, P, "Yemen", PAL_B, "YE"},
    {381, P, "Yugoslavia", PAL_B, "RS"},
    {260, P, "Zambia", PAL_B, "ZM"},
    {263, P, "Zimbabwe", PAL_B, "ZW"},
    {86, P, "China", PAL_D, "CN"},
    {420, P, "Czech Republic", PAL_D, "CZ"},
    {40, P, "Romania", PAL_D, "RO"},
    {500, P, "Falkland Islands", PAL_I, "FK"},
    {852, P, "Hong Kong SAR, China", PAL_I, "HK"},
    {353, P, "Ireland", PAL_I, "IE"},
    {266, P, "Lesotho", PAL_I, "LS"},
    {853, P, "Macau Region", PAL_I, "MO"},
    {264, P, "Namibia", PAL_I, "NA"},
    {27, P, "South Africa", PAL_I, "ZA"},
    {44, P, "United Kingdom", PAL_I, "GB"},
    {54, P, "Argentina", PAL_N, "AR"},
    {595, P, "Paraguay", PAL_N, "PY"},
    {598, P, "Uruguay", PAL_N, "UY"},
    {20, P, "Egypt", SECAM_B, "EG"},
    {240, P, "Equatorial Guinea", SECAM_B, "GQ"},
    {30, P, "Greece", SECAM_B, "GR"},
    {98, P, "Iran", SECAM_B, "IR"},
    {964, P, "Iraq", SECAM_B, "IQ"},
    {961, P, "Lebanon", SECAM_B, "LB"},
    {218, P, "Libya", SECAM_B, "LY"},
    {222, P, "Mauritania", SECAM_B, "MR"},
    {230, P, "Mauritius", SECAM_B, "MU"},
    {212, P, "Morocco", SECAM_B, "MA"},
    {966, P, "Saudi Arabia", SECAM_B, "SA"},
    {963, P, "Syria", SECAM_B, "SY"},
    {216, P, "Tunisia", SECAM_B, "TN"},
    {374, P, "Armenia", SECAM_D, "AM"},
    {994, P, "Azerbaijan", SECAM_D, "AZ"},
    {375, P, "Belarus", SECAM_D, "BY"},
    {359, P, "Bulgaria", SECAM_D, "BG"},
    {995, P, "Georgia", SECAM_D, "GE"},
    {36, P, "Hungary", SECAM_D, "HU"},
    {7, P, "Russia", SECAM_D, "RU"},
    {992, P, "Tajikistan", SECAM_D, "TJ"},
    {993, P, "Turkmenistan", SECAM_D, "TM"},
    {998, P, "Uzbekistan", SECAM_D, "UZ"},
    {996, P, "Kyrgyzstan", SECAM_D, "KG"},
    {705, P, "Kazakhstan", SECAM_D, "KZ"},
    {850, P, "Korea (North)", SECAM_D, "KP"},
    {371, P, "Latvia", SECAM_D, "LV"},
    {976, P, "Mongolia", SECAM_D, "MN"},
    {380, P, "Ukraine", SECAM_D, "UA"},
    {377, P, "Monaco", SECAM_G, "MC"},
    {244, P, "Angola", SECAM_K, "AO"},
    {267, P, "Botswana", SECAM_K, "BW"},
    {226, P, "Burkina Faso", SECAM_K, "BF"},
    {257, P, "Burundi", SECAM_K, "BI"},
    {253, P, "Djibouti", SECAM_K, "DJ"},
    {590, P, "French Antilles or Guadeloupe", SECAM_K, "GP"},
    {689, P, "French Polynesia", SECAM_K, "PF"},
    {241, P, "Gabon", SECAM_K, "GA"},
    {220, P, "Gambia", SECAM_K, "GM"},
    {224, P, "Guinea", SECAM_K, "GN"},
    {592, P, "Guyana", SECAM_K, "GY"},
    {225, P, "Ivory Coast", SECAM_K, "CI"},
    {261, P, "Madagascar", SECAM_K, "MG"},
    {223, P, "Mali", SECAM_K, "ML"},
    {596, P, "Martinique", SECAM_K, "MQ"},
    {687, P, "New Caledonia", SECAM_K, "NC"},
    {227, P, "Niger", SECAM_K, "NE"},
    {262, P, "Reunion Island", SECAM_K, "RE"},
    {221, P, "Senegal Republic", SECAM_K, "SN"},
    {228, P, "Togo", SECAM_K, "TG"},
    {33, P, "France", SECAM_L, "FR"},
};

// Territories that share another's row.
struct TerritoryAlias {
  const char* territory;
  DWORD countryId;
};
const TerritoryAlias kAliases[] = {{"CC", 61}, {"CX", 672}, {"CW", 599}, {"SX", 599}, {"BQ", 599}};

}  // namespace

CCountryTvStandardTable::CCountryTvStandardTable() : m_rows(std::begin(kRows), std::end(kRows)) {}

const CountryTvStandard* CCountryTvStandardTable::FindCountry(DWORD localeCountry) const {
  const DWORD id = localeCountry == kLocaleCanada ? kTelephonyCanada : localeCountry;
  for (const CountryTvStandard& row : m_rows) {
    if (row.countryId == id) return &row;
  }
  return nullptr;
}

DWORD CCountryTvStandardTable::GetLocaleTvStandard() const {
  const CountryTvStandard* row = FindCountry(LocaleCountryCode());
  return row ? row->tvStandard : TV_STANDARD_NTSC;
}

DWORD CCountryTvStandardTable::GetUserCountryValue() const {
  const CountryTvStandard* row = FindCountry(LocaleCountryCode());
  return row ? row->analogVideoStandard : NTSC_M;
}

DWORD CCountryTvStandardTable::CountryCodeOfLocale(const std::string& locale) {
  // language[_territory][.codeset][@modifier]
  const std::size_t underscore = locale.find('_');
  if (underscore == std::string::npos) return 0;
  const std::string territory = locale.substr(underscore + 1, locale.find_first_of(".@", underscore) - underscore - 1);
  if (territory == "CA") return kLocaleCanada;
  for (const CountryTvStandard& row : kRows) {
    if (territory == row.territory) return row.countryId;
  }
  for (const TerritoryAlias& alias : kAliases) {
    if (territory == alias.territory) return alias.countryId;
  }
  return 0;
}

DWORD CCountryTvStandardTable::LocaleCountryCode() {
  if (const char* code = std::getenv(kLocaleCountryVariable); code && *code) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(code, &end, 10);
    return end && *end == '\0' ? static_cast<DWORD>(value) : 0;
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = std::getenv(name); value && *value) return CountryCodeOfLocale(value);
  }
  return 0;
}
