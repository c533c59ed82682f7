#include "platform/disc/drive_config.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/base/devices_file.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/base/key_file.h"

namespace platform::disc {
namespace {

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text + ",") {
    if (c == ',') {
      std::string trimmed = platform::Trim(part);
      if (!trimmed.empty()) parts.push_back(trimmed);
      part.clear();
    } else {
      part += c;
    }
  }
  return parts;
}

bool ParseUnsigned(const std::string& text, int base, std::uint32_t* out) {
  const std::string t = platform::Trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(t.c_str(), &end, base);
  if (*end || v > 0xFFFFFFFFull || t[0] == '-') return false;
  *out = static_cast<std::uint32_t>(v);
  return true;
}

bool ParseBool(const std::string& text, bool* out) {
  std::uint32_t v = 0;
  if (!ParseUnsigned(text, 10, &v) || v > 1) return false;
  *out = v == 1;
  return true;
}

// "block:key:asc:ascq", the sense bytes in hexadecimal.
bool ParseFault(const std::string& text, WriteFault* fault) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text + ":") {
    if (c == ':') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (parts.size() != 4) return false;
  std::uint32_t key = 0, asc = 0, ascq = 0;
  if (!ParseUnsigned(parts[0], 10, &fault->block) || !ParseUnsigned(parts[1], 16, &key) || key > 0xF ||
      !ParseUnsigned(parts[2], 16, &asc) || asc > 0xFF || !ParseUnsigned(parts[3], 16, &ascq) || ascq > 0xFF)
    return false;
  fault->sense = key << 16 | asc << 8 | ascq;
  return true;
}

bool ParseMediumState(const std::string& text, DriveDesc* d) {
  const std::string t = platform::ToLowerAscii(platform::Trim(text));
  if (t == "blank") d->mediumUsed = d->mediumFinalized = false;
  else if (t == "appendable") d->mediumUsed = true, d->mediumFinalized = false;
  else if (t == "used" || t == "closed") d->mediumUsed = d->mediumFinalized = true;
  else return false;
  return true;
}

bool ApplyKey(DriveDesc* d, const std::string& key, const std::string& value) {
  bool known = false;
  if (key == "KIND") return platform::EqualsNoCase(platform::Trim(value), "writer");
  if (key == "NAME") {
    d->name = platform::Trim(value);
    return !d->name.empty();
  }
  if (key == "WRITES") {
    d->writes.clear();
    for (const auto& name : SplitList(value)) {
      const unsigned char cap = CapabilityFor(KindFromName(name, &known));
      if (!known || !cap) return false;
      if (!d->Writes(cap)) d->writes.push_back(cap);
    }
    return !d->writes.empty();
  }
  if (key == "MEDIUM") {
    d->medium = KindFromName(value, &known);
    return known;
  }
  if (key == "NEXTBLANK") {
    d->nextBlank = KindFromName(value, &known);
    return known && CapabilityFor(d->nextBlank);
  }
  if (key == "STATE") return ParseMediumState(value, d);
  if (key == "CAPACITY") return ParseUnsigned(value, 10, &d->capacity) && d->capacity > 0;
  if (key == "USED") return ParseUnsigned(value, 10, &d->usedBlocks);
  if (key == "SPEEDS") {
    d->speeds.clear();
    for (const auto& s : SplitList(value)) {
      std::uint32_t v = 0;
      if (!ParseUnsigned(s, 10, &v) || v == 0 || v > 1000000) return false;
      d->speeds.push_back(static_cast<int>(v));
    }
    std::sort(d->speeds.rbegin(), d->speeds.rend());
    return !d->speeds.empty();
  }
  if (key == "IMAGES") {
    d->imageFolder = platform::WithTrailingSlash(platform::Trim(value));
    return !d->imageFolder.empty();
  }
  if (key == "NOTREADY") {
    std::uint32_t v = 0;
    if (!ParseUnsigned(value, 10, &v) || v > 1000) return false;
    d->notReadyPolls = static_cast<int>(v);
    return true;
  }
  if (key == "WRITEERROR") return d->hasWriteFault = ParseFault(value, &d->writeFault);
  if (key == "ERASEFAIL") return ParseBool(value, &d->eraseFails);
  if (key == "ERASETIME") return ParseUnsigned(value, 10, &d->eraseMs);
  if (key == "PACE") return ParseUnsigned(value, 10, &d->pace);
  return false;
}

std::vector<int> DefaultSpeeds(const DriveDesc& d) {
  if (d.Writes(kWritesBdR) || d.Writes(kWritesBdRe)) return {26970, 17980, 8990, 4495};
  if (d.Writes(kWritesDvdPlusR) || d.Writes(kWritesDvdR)) return {22160, 16620, 11080, 5540};
  return {7056, 5292, 3528, 1764};
}

}  // namespace

bool DriveDesc::Writes(unsigned char capability) const {
  return std::find(writes.begin(), writes.end(), capability) != writes.end();
}

unsigned char DriveDesc::BlankKind() const {
  if (nextBlank != kNoDisc && Writes(CapabilityFor(nextBlank))) return nextBlank;
  if (medium != kNoDisc && Writes(CapabilityFor(medium))) return medium;
  for (unsigned char kind = kCdR; kind <= kBdRe; ++kind)
    if (CapabilityFor(kind) && Writes(CapabilityFor(kind))) return kind;
  return kNoDisc;
}

std::string DefaultImageFolder() { return platform::LocalAppDataFolder() + "vidarro/discs/"; }

std::vector<DriveDesc> DefaultDrives() {
  DriveDesc d;
  d.id = "WRITER";
  d.name = "Vidarro Multi Writer";
  d.writes = {kWritesCdR,       kWritesCdRw,         kWritesDvdR, kWritesDvdRw, kWritesDvdPlusR,
              kWritesDvdPlusRw, kWritesDvdPlusRDual, kWritesBdR,  kWritesBdRe};
  d.medium = kDvdPlusR;
  d.speeds = DefaultSpeeds(d);
  d.imageFolder = DefaultImageFolder();
  return {d};
}

std::vector<DriveDesc> ParseDriveSections(const std::string& path, std::vector<std::string>* problems) {
  std::vector<DriveDesc> drives;
  auto report = [&](const std::string& text) {
    std::fprintf(stderr, "devices.ini: %s\n", text.c_str());
    if (problems) problems->push_back(text);
  };
  ProjectKeyFile file;
  if (!file.Open(path, FALSE)) return drives;
  for (const auto& group : file.Groups()) {
    for (const auto& section : group->Sections()) {
      const int kind = section->FindKey("KIND");
      if (kind < 0 || !platform::EqualsNoCase(platform::Trim(section->ValueAt(kind)), "writer")) continue;
      DriveDesc d;
      d.id = section->Name();
      bool bad = false;
      for (std::size_t i = 0; i < section->Count(); ++i) {
        const std::string& key = section->KeyAt(i);
        if (key.empty() || key[0] == ';' || key[0] == '#') continue;
        if (!ApplyKey(&d, key, section->ValueAt(i))) {
          report("[" + d.id + "] " + key + "=" + section->ValueAt(i) + ": not understood, writer skipped");
          bad = true;
          break;
        }
      }
      if (bad) continue;
      bool idOk = !d.id.empty();
      for (char c : d.id) idOk = idOk && (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-');
      if (!idOk || d.name.empty() || d.writes.empty()) {
        report("[" + d.id + "] writer skipped: needs a plain section name, NAME and WRITES");
        continue;
      }
      if (d.speeds.empty()) d.speeds = DefaultSpeeds(d);
      if (d.imageFolder.empty()) d.imageFolder = DefaultImageFolder();
      drives.push_back(std::move(d));
    }
  }
  return drives;
}

std::vector<DriveDesc> ConfiguredDrives() {
  const std::string path = platform::DevicesFilePath();
  if (!platform::FileExists(path)) return DefaultDrives();
  return ParseDriveSections(path);
}

}  // namespace platform::disc
