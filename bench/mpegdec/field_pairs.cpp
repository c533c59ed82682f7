#include "bench/mpegdec/field_pairs.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

constexpr std::uint8_t kPicture = 0x00, kUserData = 0xB2, kSequence = 0xB3, kExtension = 0xB5, kGroup = 0xB8;
constexpr int kSequenceExtension = 1, kPictureCodingExtension = 8;

// Where the start codes of a stream begin, each a 00 00 01 prefix.
std::vector<std::size_t> StartCodes(const std::vector<std::uint8_t>& s) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i + 3 < s.size(); ++i)
    if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1) {
      at.push_back(i);
      i += 2;
    }
  return at;
}

// The picture rate of a field a frame: 59.94, 60 and 50 become 29.97, 30 and 25.
int FrameRateOfFieldRate(int code) {
  switch (code) {
    case 7: return 4;
    case 8: return 5;
    case 6: return 3;
    default: return -1;
  }
}

bool Fail(std::string* error, const char* why) {
  if (error) *error = why;
  return false;
}

// Rewrites one unit (start code included) in place; `picture` counts the pictures seen so far.
bool RewriteUnit(std::uint8_t* u, std::size_t size, int picture, std::uint8_t previous, std::string* error) {
  const std::uint8_t code = u[3];
  if (code == kSequence) {
    if (size < 12) return Fail(error, "short sequence header");
    const int height = ((u[5] & 0x0F) << 8 | u[6]) * 2;
    const int rate = FrameRateOfFieldRate(u[7] & 0x0F);
    if (rate < 0) return Fail(error, "a field rate of 50, 59.94 or 60 is needed");
    u[5] = static_cast<std::uint8_t>((u[5] & 0xF0) | (height >> 8));
    u[6] = static_cast<std::uint8_t>(height & 0xFF);
    u[7] = static_cast<std::uint8_t>(2 << 4 | rate);
  } else if (code == kExtension && size >= 9) {
    const int id = u[4] >> 4;
    if (id == kSequenceExtension) {
      u[5] &= static_cast<std::uint8_t>(~0x08);  // progressive_sequence
    } else if (id == kPictureCodingExtension) {
      if (previous != kPicture) return Fail(error, "picture coding extension away from its picture");
      u[6] = static_cast<std::uint8_t>((u[6] & ~0x03) | (picture % 2 ? 2 : 1));
      u[7] &= static_cast<std::uint8_t>(~(0x80 | 0x40 | 0x02 | 0x01));  // tff, fpfd, rff, chroma_420_type
      u[8] &= static_cast<std::uint8_t>(~0x80);                         // progressive_frame
    }
  } else if (code == kPicture) {
    if (size < 6) return Fail(error, "short picture header");
    const int temporal = (u[4] << 2 | u[5] >> 6) / 2;
    if (((u[5] >> 3) & 7) != 1) return Fail(error, "only intra pictures can be paired");
    u[4] = static_cast<std::uint8_t>(temporal >> 2);
    u[5] = static_cast<std::uint8_t>((u[5] & 0x3F) | (temporal & 3) << 6);
  }
  return true;
}

}  // namespace

std::vector<std::uint8_t> PairFields(const std::vector<std::uint8_t>& fields, std::string* error) {
  auto refuse = [error](const char* why) {
    Fail(error, why);
    return std::vector<std::uint8_t>{};
  };
  const std::vector<std::size_t> at = StartCodes(fields);
  std::vector<std::uint8_t> out(fields.begin(), fields.begin() + static_cast<std::ptrdiff_t>(at.empty() ? 0 : at[0]));
  int pictures = 0;  // picture headers passed
  bool codedExtension = true;
  std::uint8_t previous = 0xFF;
  for (std::size_t k = 0; k < at.size(); ++k) {
    const std::size_t end = k + 1 < at.size() ? at[k + 1] : fields.size();
    std::vector<std::uint8_t> unit(fields.begin() + static_cast<std::ptrdiff_t>(at[k]),
                                   fields.begin() + static_cast<std::ptrdiff_t>(end));
    const std::uint8_t code = unit[3];
    const bool beforeSecondField = pictures % 2 == 1;
    // Headers the encoder repeats before every intra picture may not part the two fields.
    if (beforeSecondField &&
        (code == kSequence || code == kGroup || code == kUserData || (code == kExtension && previous != kPicture))) {
      if (code != kExtension) previous = code;
      continue;
    }
    if (code == kPicture && !codedExtension) return refuse("a picture without its coding extension");
    if (!RewriteUnit(unit.data(), unit.size(), code == kPicture ? pictures : pictures - 1, previous, error)) return {};
    if (code == kPicture) {
      ++pictures;
      codedExtension = false;
    } else if (code == kExtension && previous == kPicture && unit.size() >= 5 &&
               unit[4] >> 4 == kPictureCodingExtension) {
      codedExtension = true;
    }
    if (code != kExtension) previous = code;
    out.insert(out.end(), unit.begin(), unit.end());
  }
  if (!codedExtension) return refuse("a picture without its coding extension");
  if (pictures == 0 || pictures % 2) return refuse("an even number of pictures is needed");
  return out;
}

bool WriteFieldPairStream(const std::string& source, int frames, const std::string& out, std::string* error) {
  const std::string half = out + ".fields.m2v";
  const std::string command = "ffmpeg -nostdin -v error -y " + source + " -vf setfield=tff,separatefields -frames:v " +
                              std::to_string(2 * frames) + " -c:v mpeg2video -g 1 -q:v 3 -f mpeg2video '" + half + "'";
  if (std::system(command.c_str()) != 0) return Fail(error, "ffmpeg could not code the fields");
  std::ifstream in(half, std::ios::binary);
  const std::vector<std::uint8_t> fields{std::istreambuf_iterator<char>(in), {}};
  std::remove(half.c_str());
  const std::vector<std::uint8_t> paired = PairFields(fields, error);
  if (paired.empty()) return false;
  std::ofstream file(out, std::ios::binary);
  file.write(reinterpret_cast<const char*>(paired.data()), static_cast<std::streamsize>(paired.size()));
  return file.good() || Fail(error, "the stream could not be written");
}
