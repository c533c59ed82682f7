// Playing media files in graphs: a source over libavformat with one output per audio or video
// stream (compressed, the codec parameters in the format block), and the libavcodec decoder
// that intelligent connect puts behind it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/dshow/base_filter.h"
#include "platform/dshow/playback_interfaces.h"

struct AVCodecParameters;
struct AVInputFormat;

DEFINE_GUID(CLSID_MediaFileSource, 0x5A1C7E10, 0x3B2D, 0x4E6F, 0x9A, 0x41, 0x6C, 0x69, 0x62, 0x61, 0x76, 0x01);
DEFINE_GUID(CLSID_MediaDecoder, 0x5A1C7E10, 0x3B2D, 0x4E6F, 0x9A, 0x41, 0x6C, 0x69, 0x62, 0x61, 0x76, 0x02);
// The codec parameters of a compressed stream (see MakeCompressedType).
DEFINE_GUID(FORMAT_CodecParameters, 0x5A1C7E10, 0x3B2D, 0x4E6F, 0x9A, 0x41, 0x6C, 0x69, 0x62, 0x61, 0x76, 0x03);

// Told before Load, a source reads no further into the file than its video streams' sizes and
// picture formats take: for a graph that wants only the first picture. Frame rates and the
// duration are then what that much of the file shows, and a sound stream not yet described there
// may be left out or described roughly; every other source reads as far as libavformat's own
// discovery does.
DEFINE_GUID(IID_IFirstPictureSource, 0x5A1C7E10, 0x3B2D, 0x4E6F, 0x9A, 0x41, 0x6C, 0x69, 0x62, 0x61, 0x76, 0x04);
struct IFirstPictureSource : public IUnknown {
  STDMETHOD(ReadForFirstPictureOnly)() PURE;
};
VIDARRO_INTERFACE(IFirstPictureSource, IUnknown, IID_IFirstPictureSource);

namespace platform::dshow {

// The subtype of a compressed stream: the codec's number in the first field of a GUID family
// of its own, so no FourCC subtype is taken for it.
GUID CompressedSubtype(int codecId);
bool IsCompressedSubtype(REFGUID subtype);
CMediaType MakeCompressedType(const AVCodecParameters& params, int frameRateNum, int frameRateDen);
// Fills params (allocated by the caller) from a compressed type; false when it is not one.
bool ReadCompressedType(const AM_MEDIA_TYPE& mt, AVCodecParameters* params);
// The video frame rate a compressed type carries; false when it has none.
bool CompressedFrameRate(const AM_MEDIA_TYPE& mt, int* num, int* den);

// Whether a source takes a demuxed file; the general one takes all.
using FileKindTest = std::function<bool(const AVInputFormat&)>;

HRESULT CreateMediaFileSource(REFIID riid, void** ppv);
HRESULT CreateMediaFileSource(const CLSID& clsid, std::string name, FileKindTest accept, REFIID riid, void** ppv);
HRESULT CreateMediaDecoder(REFIID riid, void** ppv);

// How many pictures a decoder filter has delivered since it last started; -1 for a filter that
// is not one. The source holds its preroll until the decoder behind it delivered one.
long long PicturesDelivered(CBaseFilter* filter);

}  // namespace platform::dshow
