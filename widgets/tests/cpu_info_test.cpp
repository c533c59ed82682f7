#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "widgets/cpu_info.h"

namespace {

DWORD Text4(const char* s) {
  DWORD v = 0;
  std::memcpy(&v, s, 4);
  return v;
}

// A processor made of CPUID answers; it records every leaf asked.
struct FakeCpu {
  std::map<DWORD, CpuidRegisters> leaves;
  std::set<DWORD> asked;

  CpuidReader Reader() {
    return [this](DWORD leaf, DWORD) {
      asked.insert(leaf);
      const auto it = leaves.find(leaf);
      return it == leaves.end() ? CpuidRegisters{} : it->second;
    };
  }
};

FakeCpu Processor(const char* vendor, DWORD maxLeaf, DWORD signature, DWORD ecx1, DWORD edx1) {
  FakeCpu cpu;
  cpu.leaves[0] = {maxLeaf, Text4(vendor), Text4(vendor + 8), Text4(vendor + 4)};
  cpu.leaves[1] = {signature, 0, ecx1, edx1};
  return cpu;
}

constexpr DWORD kSse = 1u << 25, kSse2 = 1u << 26, kSse3 = 1u;

}  // namespace

TEST(CpuInfo, IdentificationFromCpuidLeaves) {
  FakeCpu intel = Processor("GenuineIntel", 10, 0x000006D8, kSse3, kSse | kSse2);  // family 6 model 13
  const CCpuInfo info(intel.Reader());
  EXPECT_STREQ(info.m_vendor, "GenuineIntel");
  EXPECT_EQ(info.m_family, 6);
  EXPECT_EQ(info.m_model, 13);
  EXPECT_TRUE(IsGenuineIntel(&info));
  EXPECT_FALSE(IsAuthenticAmd(&info));
  EXPECT_TRUE(IsIntelPentiumM(&info));
  EXPECT_TRUE(HasSse(&info) && HasSse2(&info) && HasSse3(&info));
  EXPECT_TRUE(info.HasFeature(CPU_FEATURE_SSE3 | 0x80));

  for (DWORD model : {9u, 14u, 15u, 10u, 8u}) {
    FakeCpu cpu = Processor("GenuineIntel", 2, 0x600 | (model << 4), 0, kSse);
    const CCpuInfo c(cpu.Reader());
    EXPECT_EQ(IsIntelPentiumM(&c), model >= 9 && model != 10) << model;
    EXPECT_FALSE(HasSse2(&c));
  }

  FakeCpu amd = Processor("AuthenticAMD", 1, 0x00000F48, 0, kSse);
  const CCpuInfo a(amd.Reader());
  EXPECT_TRUE(IsAuthenticAmd(&a));
  EXPECT_FALSE(IsIntelPentiumM(&a));
  EXPECT_TRUE(HasSse(&a));
  EXPECT_FALSE(a.HasFeature(CPU_FEATURE_SSE2 | CPU_FEATURE_SSE3));

  FakeCpu none;  // no CPUID: nothing is known
  const CCpuInfo n(none.Reader());
  EXPECT_STREQ(n.m_vendor, "");
  EXPECT_FALSE(HasSse(&n) || IsGenuineIntel(&n));
  EXPECT_EQ(none.asked.count(1), 0u);
}

TEST(CpuInfo, CoreCountChecksTheHighestLeafFirst) {
  FakeCpu intel = Processor("GenuineIntel", 4, 0x600, 0, 0);
  intel.leaves[4] = {(3u << 26) | 0x121, 0, 0, 0};
  EXPECT_EQ(GetCoreCount(intel.Reader()), 4);

  FakeCpu oldIntel = Processor("GenuineIntel", 2, 0x600, 0, 0);
  oldIntel.leaves[4] = {(7u << 26), 0, 0, 0};  // what a processor answers beyond its range
  EXPECT_EQ(GetCoreCount(oldIntel.Reader()), -1);
  EXPECT_EQ(oldIntel.asked.count(4), 0u);

  FakeCpu amd = Processor("AuthenticAMD", 1, 0xF00, 0, 0);
  amd.leaves[0x80000000] = {0x80000008, 0, 0, 0};
  amd.leaves[0x80000008] = {0, 0, 0x01, 0};
  EXPECT_EQ(GetCoreCount(amd.Reader()), 2);

  FakeCpu oldAmd = Processor("AuthenticAMD", 1, 0xF00, 0, 0);
  oldAmd.leaves[0x80000000] = {0x80000004, 0, 0, 0};
  oldAmd.leaves[0x80000008] = {0, 0, 0x03, 0};
  EXPECT_EQ(GetCoreCount(oldAmd.Reader()), -1);
  EXPECT_EQ(oldAmd.asked.count(0x80000008), 0u);

  FakeCpu other = Processor("CentaurHauls", 10, 0x600, 0, 0);
  EXPECT_EQ(GetCoreCount(other.Reader()), -1);
}

TEST(CpuInfo, ClassRules) {
  struct Row {
    CpuFacts facts;
    int expected;
  };
  auto facts = [](int cores, bool pentiumM, bool amd, bool sse, bool sse2, bool sse3, int mhz) {
    return CpuFacts{cores, pentiumM, amd, sse, sse2, sse3, mhz};
  };
  const Row rows[] = {
      {facts(2, false, false, false, false, false, 100), 2},  // cores decide, whatever the clock
      {facts(8, false, false, false, false, false, -1), 2},
      {facts(1, true, false, true, false, false, 600), 2},   // Pentium M
      {facts(1, false, false, true, true, true, 800), 2},    // SSE3
      {facts(-1, false, true, true, true, false, 900), 2},   // AMD with SSE2
      {facts(1, false, true, true, false, false, 1700), 1},  // AMD with SSE only
      {facts(1, false, true, true, false, false, 1800), 2},
      {facts(1, false, false, true, false, false, 2400), 2},  // Intel without SSE2 or SSE3
      {facts(1, false, false, true, false, false, 2399), 1},
      {facts(1, false, false, true, false, false, 1400), 1},
      {facts(1, false, false, true, false, false, 1399), 0},
      {facts(1, false, false, false, true, false, 500), 1},  // SSE2 alone
      {facts(1, false, false, false, false, false, -1), 0},  // no valid clock
      {facts(-1, false, true, false, false, false, -1), 0},  // AMD without SSE
  };
  for (const Row& row : rows) {
    const CpuFacts& f = row.facts;
    EXPECT_EQ(CpuClassFor(f), row.expected) << "cores " << f.cores << " pm " << f.pentiumM << " amd " << f.amd
                                            << " sse " << f.sse << f.sse2 << f.sse3 << " mhz " << f.mhz;
  }
}

TEST(CpuInfo, ThisProcessorGivesSaneAnswers) {
  const int mhz = MeasureCpuMhz(5);
  EXPECT_TRUE(mhz == -1 || (mhz > 0 && mhz < 9000)) << mhz;
  const int cores = GetCoreCount();
  EXPECT_TRUE(cores == -1 || cores >= 1) << cores;
  const int cls = GetCpuClass();
  EXPECT_GE(cls, 0);
  EXPECT_LE(cls, 2);
}
