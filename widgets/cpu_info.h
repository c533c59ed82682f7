// Processor identification and the coarse CPU class (0 slow, 1 middle, 2 fast) that sets the
// default encoder performance mode.
#pragma once

#include <functional>

#include "platform/base/win_types.h"

// The four registers one CPUID leaf answers.
struct CpuidRegisters {
  DWORD eax = 0, ebx = 0, ecx = 0, edx = 0;
};
// Asks one CPUID leaf (and sub-leaf); the real instruction unless a test gives its own.
using CpuidReader = std::function<CpuidRegisters(DWORD leaf, DWORD subLeaf)>;
// The processor's own CPUID; all zero on processors without the instruction.
CpuidRegisters RealCpuid(DWORD leaf, DWORD subLeaf);

constexpr DWORD CPU_FEATURE_SSE = 0x4;
constexpr DWORD CPU_FEATURE_SSE2 = 0x8;
constexpr DWORD CPU_FEATURE_SSE3 = 0x1000000;

class CCpuInfo {
 public:
  CCpuInfo();
  explicit CCpuInfo(const CpuidReader& cpuid);

  // True when any of the requested features (CPU_FEATURE_*) is present.
  bool HasFeature(DWORD mask) const;

  char m_vendor[13] = {};
  int m_family = 0;  // base family and model of leaf 1; extended fields are not folded in
  int m_model = 0;
  BYTE m_sse = 0;
  BYTE m_sse2 = 0;
  BYTE m_sse3 = 0;
};

bool IsGenuineIntel(const CCpuInfo* cpu);
bool IsAuthenticAmd(const CCpuInfo* cpu);
// Intel family 6, models 9, 13, 14 and 15.
bool IsIntelPentiumM(const CCpuInfo* cpu);
bool HasSse(const CCpuInfo* cpu);
bool HasSse2(const CCpuInfo* cpu);
bool HasSse3(const CCpuInfo* cpu);

// Cores per package, or -1 when the vendor or its CPUID leaf is not known.
int GetCoreCount();
int GetCoreCount(const CpuidReader& cpuid);

// The highest of five clock samples of `milliseconds` each, in MHz; -1 when none is valid.
int MeasureCpuMhz(int milliseconds);
// One sample: time-stamp counter ticks against the monotonic clock, 0 when no time passed.
int SampleCpuMhz(int milliseconds);

// What the class rules look at.
struct CpuFacts {
  int cores = -1;
  bool pentiumM = false;
  bool amd = false;
  bool sse = false;
  bool sse2 = false;
  bool sse3 = false;
  int mhz = -1;  // only looked at when cores is below 2
};
int CpuClassFor(const CpuFacts& facts);

// Probes the processor (measuring the clock, about 400 ms, only when the core count does not
// decide) and applies the class rules.
int GetCpuClass();
