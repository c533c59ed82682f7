#include "platform/wmf/profile_data.h"

#include <cstdlib>
#include <sstream>

namespace platform::wmf {
namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    const auto end = text.find(';', i);
    if (end == std::string::npos) return out + text.substr(i);
    const std::string entity = text.substr(i + 1, end - i - 1);
    out += entity == "amp" ? "&" : entity == "lt" ? "<" : entity == "gt" ? ">" : entity == "quot" ? "\"" : "";
    i = end;
  }
  return out;
}

// The value of name="..." inside one tag, or "" with *found false.
std::string Attribute(const std::string& tag, const std::string& name, bool* found) {
  const std::string key = " " + name + "=\"";
  const auto at = tag.find(key);
  if (at == std::string::npos) {
    if (found) *found = false;
    return "";
  }
  const auto start = at + key.size();
  const auto end = tag.find('"', start);
  if (end == std::string::npos) {
    if (found) *found = false;
    return "";
  }
  if (found) *found = true;
  return Unescape(tag.substr(start, end - start));
}

std::int64_t Number(const std::string& tag, const std::string& name, bool* ok) {
  bool found = false;
  const std::string text = Attribute(tag, name, &found);
  if (!found || text.empty()) {
    *ok = false;
    return 0;
  }
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (*end) *ok = false;
  return value;
}

}  // namespace

std::string ToXml(const ProfileData& p) {
  std::ostringstream out;
  out << "<profile version=\"589824\" name=\"" << Escape(p.name) << "\" description=\"" << Escape(p.description)
      << "\">\n";
  for (const StreamData& s : p.streams) {
    out << "  <stream kind=\"" << (s.video ? "video" : "audio") << "\" codec=\"" << s.codec << "\" number=\""
        << s.number << "\" name=\"" << Escape(s.name) << "\" connection=\"" << Escape(s.connection) << "\" language=\""
        << Escape(s.language) << "\" bitrate=\"" << s.bitrate << "\" bufferwindow=\"" << s.bufferWindow << "\"";
    if (s.video) {
      out << " width=\"" << s.width << "\" height=\"" << s.height << "\" frametime=\"" << s.frameTime << "\" quality=\""
          << s.quality << "\" keyframespacing=\"" << s.maxKeyFrameSpacing << "\"";
    } else {
      out << " samplerate=\"" << s.sampleRate << "\" channels=\"" << s.channels << "\"";
    }
    out << ">\n";
    for (const auto& [name, value] : s.properties)
      out << "    <property name=\"" << Escape(name) << "\" value=\"" << value << "\"/>\n";
    out << "  </stream>\n";
  }
  out << "</profile>\n";
  return out.str();
}

bool FromXml(const std::string& xml, ProfileData* profile) {
  ProfileData p;
  const auto open = xml.find("<profile ");
  const auto close = xml.find("</profile>");
  if (open == std::string::npos || close == std::string::npos || close < open) return false;
  const auto headEnd = xml.find('>', open);
  const std::string head = xml.substr(open, headEnd - open);
  p.name = Attribute(head, "name", nullptr);
  p.description = Attribute(head, "description", nullptr);
  std::size_t at = headEnd;
  bool ok = true;
  while ((at = xml.find("<stream ", at)) != std::string::npos && at < close) {
    const auto tagEnd = xml.find('>', at);
    const auto streamEnd = xml.find("</stream>", at);
    if (tagEnd == std::string::npos || streamEnd == std::string::npos || streamEnd > close) return false;
    const std::string tag = xml.substr(at, tagEnd - at);
    StreamData s;
    bool found = false;
    const std::string kind = Attribute(tag, "kind", &found);
    if (!found || (kind != "video" && kind != "audio")) return false;
    s.video = kind == "video";
    s.codec = static_cast<int>(Number(tag, "codec", &ok));
    s.number = static_cast<std::uint16_t>(Number(tag, "number", &ok));
    s.name = Attribute(tag, "name", nullptr);
    s.connection = Attribute(tag, "connection", nullptr);
    s.language = Attribute(tag, "language", nullptr);
    s.bitrate = static_cast<std::uint32_t>(Number(tag, "bitrate", &ok));
    s.bufferWindow = static_cast<std::uint32_t>(Number(tag, "bufferwindow", &ok));
    if (s.video) {
      s.width = static_cast<std::int32_t>(Number(tag, "width", &ok));
      s.height = static_cast<std::int32_t>(Number(tag, "height", &ok));
      s.frameTime = Number(tag, "frametime", &ok);
      s.quality = static_cast<std::uint32_t>(Number(tag, "quality", &ok));
      s.maxKeyFrameSpacing = Number(tag, "keyframespacing", &ok);
    } else {
      s.sampleRate = static_cast<std::uint32_t>(Number(tag, "samplerate", &ok));
      s.channels = static_cast<std::uint16_t>(Number(tag, "channels", &ok));
    }
    std::size_t prop = tagEnd;
    while ((prop = xml.find("<property ", prop)) != std::string::npos && prop < streamEnd) {
      const auto propEnd = xml.find('>', prop);
      const std::string ptag = xml.substr(prop, propEnd - prop);
      s.properties[Attribute(ptag, "name", nullptr)] = static_cast<std::uint32_t>(Number(ptag, "value", &ok));
      prop = propEnd;
    }
    if (!ok) return false;
    p.streams.push_back(std::move(s));
    at = streamEnd;
  }
  *profile = std::move(p);
  return true;
}

const std::vector<AudioFormat>& AudioFormats() {
  static const std::vector<AudioFormat> formats = {
      {192000, 48000, 2}, {160000, 48000, 2}, {128000, 48000, 2}, {128000, 44100, 2}, {96000, 48000, 2},
      {96000, 44100, 2},  {64000, 48000, 2},  {64000, 44100, 2},  {48000, 44100, 2},  {48000, 32000, 2},
      {32000, 44100, 1},  {32000, 32000, 2},  {20000, 22050, 1}};
  return formats;
}

std::string AudioFormatText(const AudioFormat& f) {
  return std::to_string(f.bitrate / 1000) + " kbps, " + std::to_string(f.sampleRate / 1000) + " kHz, " +
         (f.channels == 1 ? "mono" : "stereo") + " CBR";
}

// Named after what the FFmpeg encoders below write, so a profile never promises a newer codec.
const char* CodecName(bool video) { return video ? "Windows Media Video 8" : "Windows Media Audio 2"; }
const char* EncoderName(bool video) { return video ? "wmv2" : "wmav2"; }

}  // namespace platform::wmf
