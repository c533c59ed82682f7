#pragma once

#include <cstdint>
#include <vector>

// Variable-length code tables, each indexed by the next `bits` bits of the stream.
namespace mpegdec {

struct VlcEntry {
  int16_t value = 0;
  uint8_t length = 0;  // 0: no code starts with these bits
};

struct DctEntry {
  uint8_t run = 0;  // kDctEndOfBlock, kDctEscape, kDctInvalid or the run
  uint8_t level = 0;
  uint8_t length = 0;  // without the sign bit; 0: invalid
};

constexpr uint8_t kDctEndOfBlock = 64;
constexpr uint8_t kDctEscape = 65;
constexpr uint8_t kDctInvalid = 66;  // the bits begin no code: twelve zeros
constexpr int kMbaStuffing = 34;
constexpr int kMbaEscape = 35;

struct VlcTable {
  int bits = 0;
  std::vector<VlcEntry> entries;
  const VlcEntry& operator[](uint32_t peek) const { return entries[peek]; }
};

// A coefficient table keyed by 16 peeked bits, held in two small parts: every code that
// starts with one of the top byte values 0x04 and up is at most 8 bits long.
struct DctTable {
  DctEntry shortCodes[256];
  DctEntry longCodes[1024];
  const DctEntry& Lookup(uint32_t peek16) const {
    return peek16 >= 0x400 ? shortCodes[peek16 >> 8] : longCodes[peek16];
  }
};

struct VlcTables {
  VlcTable macroblockAddressIncrement;  // 11 bits
  VlcTable pMacroblockType;             // 6 bits
  VlcTable bMacroblockType;             // 6 bits
  VlcTable snrMacroblockType;           // 3 bits
  VlcTable codedBlockPattern;           // 9 bits
  VlcTable motionCode;                  // 10 bits, magnitude; a sign bit follows non-zero codes
  VlcTable dcSizeLuma;                  // 9 bits
  VlcTable dcSizeChroma;                // 10 bits
  DctTable dctB14;
  DctTable dctB15;
};

// Built once, on first use.
const VlcTables& GetVlcTables();

// The code lists the tables are built from, for checks of the tables themselves.
struct VlcCode {
  const char* bits;
  int value;
};
struct DctCode {
  const char* bits;
  int run;
  int level;
};
const std::vector<DctCode>& DctCodesB14();
const std::vector<DctCode>& DctCodesB15();
const std::vector<VlcCode>& CodedBlockPatternCodes();
const std::vector<VlcCode>& MacroblockAddressIncrementCodes();
const std::vector<VlcCode>& MotionCodeCodes();
}  // namespace mpegdec
