// What each disc kind's video must be, in one table: the burner checks recordings against it and
// encodes what differs, and the editor renders titles with it.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace studio::packs {

enum class DiscFormat { Dvd, LongDvd, Vcd, Svcd, Bluray };

struct DiscEncodeSettings {
  DiscFormat format;
  const char* name;        // "dvd", "longdvd", "vcd", "svcd", "bluray": the burner's option text
  const char* videoCodec;  // ffmpeg encoder, also the codec name ffprobe reports
  int width;
  int heightNtsc;
  int heightPal;
  int videoBitRate;             // bit/s
  int maxVideoBitRate;          // bit/s; 0: none
  int bufferBits;               // VBV buffer; 0: the encoder's own
  const char* audioCodec;       // ffmpeg encoder of the sound
  const char* otherAudioCodec;  // a second sound codec the disc takes as it is; "" none
  int audioBitRate;
  int sampleRate;
  const char* muxer;  // ffmpeg output format
  int packetSize;     // mux packet size; 0: the muxer's own
  int muxRate;        // bit/s; 0: the muxer's own
};

const DiscEncodeSettings& EncodeSettingsFor(DiscFormat format);
// "vcd", "svcd", "dvd", "longdvd", "bluray" -> the format; nothing for any other text.
std::optional<DiscFormat> DiscFormatNamed(std::string_view name);
bool IsVideoCd(DiscFormat format);

// The streams of a clip as ffprobe reports them.
struct ClipStreams {
  std::string container;  // format_name
  std::string videoCodec;
  int width = 0;
  int height = 0;
  double displayAspect = 0;  // width / height as shown; 0: no picture
  double frameRate = 0;      // frames a second; 0: not known
  std::string audioCodec;
  int sampleRate = 0;
  double seconds = 0;
  // A DVD program stream's navigation packs: without them dvdauthor refuses a stream whose picture
  // and sound fit, and its multiplex is remade.
  bool navigationPacks = false;
};

// A path as ffmpeg must be given it: a name with a colon would be taken for a protocol and "-" or
// a leading dash for a pipe or an option; "file:" keeps it a file.
std::string AsFile(const std::string& path);

// Reads a clip's streams; false when it is no clip ffprobe can read within `timeoutMs`, or `stop`
// was set meanwhile (ffprobe is then ended at once).
bool ProbeClipStreams(const std::string& path, ClipStreams* streams, int timeoutMs = 60000,
                      const std::atomic<bool>* stop = nullptr);
// Whether the clip's picture and sound are already what the disc takes, so that at most its
// multiplex needs remaking: codecs, size, the TV system's rate and a shape the disc shows (4:3,
// or 16:9 on a DVD). A DVD also takes the DVD's smaller standard pictures.
bool StreamsFitDisc(const ClipStreams& streams, DiscFormat format, bool ntsc);
// The encoder and multiplex arguments of the disc's stream and its output, for a picture already at
// the disc's size and rate; `otherAudio` picks the disc's second sound codec where it has one.
std::vector<std::string> DiscStreamArguments(DiscFormat format, bool ntsc, bool otherAudio, const std::string& output);
// ffmpeg's arguments that turn `input` (of `displayAspect`) into the disc's stream at `output`,
// fitted into the disc's frame keeping its shape and reporting progress on stdout; `copyStreams`
// only remakes the multiplex. Paths of any spelling reach it unchanged.
std::vector<std::string> EncodeArguments(DiscFormat format, bool ntsc, bool copyStreams, double displayAspect,
                                         const std::string& input, const std::string& output);
// Whether a title of `displayAspect` is shown 16:9 on the disc once it is there.
bool WideOnDisc(DiscFormat format, double displayAspect);

}  // namespace studio::packs
