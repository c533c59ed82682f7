// The TV standard and analog video standard of the user's country, from a built-in table of
// 188 countries keyed by their telephony country id.
#pragma once

#include <string>
#include <vector>

#include "platform/base/win_types.h"

constexpr DWORD TV_STANDARD_NTSC = 1;
constexpr DWORD TV_STANDARD_PAL = 2;

struct CountryTvStandard {
  DWORD countryId;   // telephony country id
  DWORD tvStandard;  // TV_STANDARD_NTSC or TV_STANDARD_PAL
  const char* name;
  DWORD analogVideoStandard;  // an AnalogVideoStandard flag
  const char* territory;      // ISO 3166 code of the locale territory
};

// Overrides the country code the locale gives (a decimal number), so tests need no locale.
constexpr const char* kLocaleCountryVariable = "VIDARRO_LOCALE_COUNTRY";

class CCountryTvStandardTable {
 public:
  CCountryTvStandardTable();
  virtual ~CCountryTvStandardTable() = default;

  // TV standard of the user's country; NTSC when the country is not in the table.
  DWORD GetLocaleTvStandard() const;
  // Analog video standard of the user's country; AnalogVideo_NTSC_M when it is not in the table.
  DWORD GetUserCountryValue() const;

  // The first row for a locale country code (2, the code of Canada, is looked up as 107).
  const CountryTvStandard* FindCountry(DWORD localeCountry) const;
  int GetRowCount() const { return static_cast<int>(m_rows.size()); }
  const CountryTvStandard& GetRow(int index) const { return m_rows[index]; }

  // The country code of the user's locale: the override variable, else the territory of
  // LC_ALL, LC_MESSAGES or LANG (the first that is set); 0 when none names a known territory.
  static DWORD LocaleCountryCode();
  // The country code of a locale name such as "fr_FR.UTF-8"; 0 when it has no known territory.
  static DWORD CountryCodeOfLocale(const std::string& locale);

 private:
  std::vector<CountryTvStandard> m_rows;
};
