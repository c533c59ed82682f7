#include "widgets/cpu_info.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define VIDARRO_HAS_CPUID 1
#else
#define VIDARRO_HAS_CPUID 0
#endif

namespace {

constexpr DWORD kExtendedBase = 0x80000000;
constexpr int kSamples = 5;
constexpr int kPauseAfterSampleMs = 10;
constexpr int kClassMeasureMs = 70;
constexpr int kMaxValidMhz = 9000;

bool VendorIs(const CCpuInfo* cpu, const char* name) { return cpu && std::memcmp(cpu->m_vendor, name, 13) == 0; }

void SleepMs(int milliseconds) {
  timespec ts{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

double MonotonicSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

#if VIDARRO_HAS_CPUID
// CPUID leaf 0 first, so the counter is read after everything before it has finished.
unsigned long long SerialisedTimestamp() {
  unsigned a, b, c, d;
  __cpuid(0, a, b, c, d);
  return __rdtsc();
}
#endif

}  // namespace

CpuidRegisters RealCpuid(DWORD leaf, DWORD subLeaf) {
  CpuidRegisters r;
#if VIDARRO_HAS_CPUID
  unsigned a = 0, b = 0, c = 0, d = 0;
  // __get_cpuid_count checks the highest leaf of the range itself and answers 0 beyond it.
  if (__get_cpuid_count(leaf, subLeaf, &a, &b, &c, &d)) r = CpuidRegisters{a, b, c, d};
#else
  (void)leaf;
  (void)subLeaf;
#endif
  return r;
}

CCpuInfo::CCpuInfo() : CCpuInfo(RealCpuid) {}

CCpuInfo::CCpuInfo(const CpuidReader& cpuid) {
  const CpuidRegisters leaf0 = cpuid(0, 0);
  std::memcpy(m_vendor, &leaf0.ebx, 4);
  std::memcpy(m_vendor + 4, &leaf0.edx, 4);
  std::memcpy(m_vendor + 8, &leaf0.ecx, 4);
  m_vendor[12] = '\0';
  if (leaf0.eax < 1) return;
  const CpuidRegisters leaf1 = cpuid(1, 0);
  m_family = static_cast<int>((leaf1.eax >> 8) & 0xF);
  m_model = static_cast<int>((leaf1.eax >> 4) & 0xF);
  m_sse = (leaf1.edx >> 25) & 1;
  m_sse2 = (leaf1.edx >> 26) & 1;
  m_sse3 = leaf1.ecx & 1;
}

bool CCpuInfo::HasFeature(DWORD mask) const {
  return ((mask & CPU_FEATURE_SSE) && m_sse) || ((mask & CPU_FEATURE_SSE2) && m_sse2) ||
         ((mask & CPU_FEATURE_SSE3) && m_sse3);
}

bool IsGenuineIntel(const CCpuInfo* cpu) { return VendorIs(cpu, "GenuineIntel"); }
bool IsAuthenticAmd(const CCpuInfo* cpu) { return VendorIs(cpu, "AuthenticAMD"); }

bool IsIntelPentiumM(const CCpuInfo* cpu) {
  if (!IsGenuineIntel(cpu) || cpu->m_family != 6) return false;
  const int model = cpu->m_model;
  return model == 9 || model == 13 || model == 14 || model == 15;
}

bool HasSse(const CCpuInfo* cpu) { return cpu && cpu->HasFeature(CPU_FEATURE_SSE); }
bool HasSse2(const CCpuInfo* cpu) { return cpu && cpu->HasFeature(CPU_FEATURE_SSE2); }
bool HasSse3(const CCpuInfo* cpu) { return cpu && cpu->HasFeature(CPU_FEATURE_SSE3); }

int GetCoreCount() { return GetCoreCount(RealCpuid); }

// Leaves beyond the highest one a processor reports answer with another leaf's data, so the
// highest leaf is checked before leaf 4 or 0x80000008 is believed.
int GetCoreCount(const CpuidReader& cpuid) {
  const CpuidRegisters leaf0 = cpuid(0, 0);
  if (std::memcmp(&leaf0.ebx, "Genu", 4) == 0 && std::memcmp(&leaf0.ecx, "ntel", 4) == 0) {
    if (leaf0.eax < 4) return -1;
    return static_cast<int>((cpuid(4, 1).eax >> 26) & 0x3F) + 1;
  }
  if (std::memcmp(&leaf0.ebx, "Auth", 4) == 0) {
    if (cpuid(kExtendedBase, 0).eax < 0x80000008) return -1;
    return static_cast<int>(cpuid(0x80000008, 0).ecx & 0xFF) + 1;
  }
  return -1;
}

// The calling thread keeps its scheduling: raising it to a real-time policy could starve the
// whole desktop, and a sleep-based measurement does not need it.
int SampleCpuMhz(int milliseconds) {
#if VIDARRO_HAS_CPUID
  const double start = MonotonicSeconds();
  const unsigned long long ticks0 = SerialisedTimestamp();
  SleepMs(milliseconds);
  const double end = MonotonicSeconds();
  const unsigned long long ticks1 = SerialisedTimestamp();
  const double elapsed = end - start;
  if (!(elapsed > 0.0)) return 0;
  const double mhz = static_cast<double>(ticks1 - ticks0) / elapsed * 0.000001;
  return mhz > 2147483647.0 ? 0 : static_cast<int>(mhz);
#else
  SleepMs(milliseconds);
  return 0;
#endif
}

int MeasureCpuMhz(int milliseconds) {
  int best = -1;
  for (int i = 0; i < kSamples; ++i) {
    const int sample = SampleCpuMhz(milliseconds);
    SleepMs(kPauseAfterSampleMs);
    if (sample > 0 && sample < kMaxValidMhz && sample > best) best = sample;
  }
  return best;
}

int CpuClassFor(const CpuFacts& f) {
  if (f.cores >= 2) return 2;
  if (f.pentiumM || f.sse3 || (f.amd && f.sse2) || (f.amd && f.sse && f.mhz >= 1800) || f.mhz >= 2400) return 2;
  if (f.sse2 || (f.amd && f.sse)) return 1;
  return f.mhz >= 1400 ? 1 : 0;
}

int GetCpuClass() {
  const CCpuInfo cpu;
  CpuFacts facts;
  facts.cores = GetCoreCount();
  facts.pentiumM = IsIntelPentiumM(&cpu);
  facts.amd = IsAuthenticAmd(&cpu);
  facts.sse = HasSse(&cpu);
  facts.sse2 = HasSse2(&cpu);
  facts.sse3 = HasSse3(&cpu);
  if (facts.cores < 2) facts.mhz = MeasureCpuMhz(kClassMeasureMs);
  return CpuClassFor(facts);
}
