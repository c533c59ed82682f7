#include "widgets/tv_standards.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <set>
#include <string>

namespace {

class LocaleTest : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv(kLocaleCountryVariable); }
  void Country(const char* code) { setenv(kLocaleCountryVariable, code, 1); }
};

}  // namespace

TEST(CountryTable, HoldsAllRowsOnceEach) {
  CCountryTvStandardTable table;
  ASSERT_EQ(table.GetRowCount(), 188);
  std::set<DWORD> ids;
  int pal = 0, secam = 0;
  for (int i = 0; i < table.GetRowCount(); ++i) {
    ids.insert(table.GetRow(i).countryId);
    if (table.GetRow(i).tvStandard == TV_STANDARD_PAL) ++pal;
    if (table.GetRow(i).analogVideoStandard >= 0x1000) ++secam;
  }
  EXPECT_EQ(ids.size(), 188u);
  EXPECT_EQ(pal, 148);
  EXPECT_EQ(secam, 51);
}

TEST_F(LocaleTest, CountryCodesGiveTheirStandards) {
  CCountryTvStandardTable table;
  Country("2");  // Canada's locale code
  EXPECT_EQ(table.GetLocaleTvStandard(), TV_STANDARD_NTSC);
  EXPECT_EQ(table.GetUserCountryValue(), 0x1u);
  EXPECT_STREQ(table.FindCountry(2)->name, "Canada");
  Country("33");
  EXPECT_EQ(table.GetLocaleTvStandard(), TV_STANDARD_PAL);
  EXPECT_EQ(table.GetUserCountryValue(), 0x40000u);  // SECAM L
  Country("81");
  EXPECT_EQ(table.GetUserCountryValue(), 0x2u);
  Country("55");
  EXPECT_EQ(table.GetLocaleTvStandard(), TV_STANDARD_NTSC);
  EXPECT_EQ(table.GetUserCountryValue(), 0x200u);
  // Not in the table, or not a number: the NTSC defaults.
  Country("999");
  EXPECT_EQ(table.GetLocaleTvStandard(), TV_STANDARD_NTSC);
  EXPECT_EQ(table.GetUserCountryValue(), 0x1u);
  Country("4x");
  EXPECT_EQ(table.GetUserCountryValue(), 0x1u);
}

TEST_F(LocaleTest, TerritoryOfTheLocaleNamesTheCountry) {
  EXPECT_EQ(CCountryTvStandardTable::CountryCodeOfLocale("fr_FR.UTF-8"), 33u);
  EXPECT_EQ(CCountryTvStandardTable::CountryCodeOfLocale("en_GB"), 44u);
  EXPECT_EQ(CCountryTvStandardTable::CountryCodeOfLocale("en_CA.UTF-8@euro"), 2u);
  EXPECT_EQ(CCountryTvStandardTable::CountryCodeOfLocale("de_DE@euro"), 49u);
  EXPECT_EQ(CCountryTvStandardTable::CountryCodeOfLocale("C"), 0u);
  EXPECT_EQ(CCountryTvStandardTable::CountryCodeOfLocale("POSIX"), 0u);
  EXPECT_EQ(CCountryTvStandardTable::CountryCodeOfLocale("xx_ZZ"), 0u);

  unsetenv(kLocaleCountryVariable);
  setenv("LC_ALL", "", 1);
  setenv("LC_MESSAGES", "ru_RU.UTF-8", 1);
  EXPECT_EQ(CCountryTvStandardTable::LocaleCountryCode(), 7u);
  EXPECT_EQ(CCountryTvStandardTable().GetUserCountryValue(), 0x2000u);
  setenv("LC_ALL", "es_AR.UTF-8", 1);
  EXPECT_EQ(CCountryTvStandardTable::LocaleCountryCode(), 54u);
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
}
