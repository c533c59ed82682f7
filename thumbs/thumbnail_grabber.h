// CThumbnailGrabber: one picture of a media file for the clip list. The caller makes one on its
// stack per file, opens it one way, grabs one frame and destroys it, all on its own thread.
// A file whose first key picture libavcodec decodes straight from its container has the graph
// built only when a grab needs the full picture (or when asked for it): a thumbnail is shrunk
// from that picture's planes.
#pragma once

#include <memory>
#include <string>

#include "platform/com/com_ptr.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/gdi/gdi_types.h"
#include "thumbs/first_key_picture.h"

class CThumbnailGrabber {
 public:
  CThumbnailGrabber();
  virtual ~CThumbnailGrabber();
  CThumbnailGrabber(const CThumbnailGrabber&) = delete;
  CThumbnailGrabber& operator=(const CThumbnailGrabber&) = delete;

  // Renders the file and puts "Still Capture" behind its decoded video. 0 when the graph, the
  // render or the grabber filter fails; 1 otherwise, also when there is no video to grab.
  int OpenByRendering(const std::string& path);
  // "QT Source" loads the file and its video goes to "Still Capture". 1 when that stands, -1
  // when the source reports QuickTime missing, 0 on any other failure.
  int OpenWithSourceFilter(const std::string& path);
  // A size that shrinks the first key picture decoded at the open is made from its planes.
  // Otherwise pauses the graph, which holds the first picture, or runs it when the preroll brought
  // none until a frame is held (at most 11 polls 100 ms apart), and stores a new width x height
  // bitmap in *out. 1 only when a bitmap was made; 0 otherwise, out untouched.
  int GrabFrame(HBITMAP* out, int width, int height);
  void ReleaseGraph();

  // The graph operations the two ways are built from.
  static void FindPin(IBaseFilter* filter, PIN_DIRECTION dir, int index, IPin** pin);
  static IPin* GetInputPin(IBaseFilter* filter, int index);
  static IPin* GetOutputPin(IBaseFilter* filter, int index);
  static HRESULT ConnectDirect(IGraphBuilder* graph, IBaseFilter* upstream, int output, IBaseFilter* downstream,
                               int input);
  static HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* upstream, int output, IBaseFilter* downstream,
                                int input);
  static GUID GetPinMajorType(IPin* pin);
  static int FindVideoOutputPin(IBaseFilter* filter, PIN_DIRECTION dir);
  static BOOL IsDecodedVideoPin(IPin* pin);
  static IBaseFilter* FindVideoRenderer(IGraphBuilder* graph);
  static IBaseFilter* FindSourceFilter(IGraphBuilder* graph);
  static void RemoveDownstream(IGraphBuilder* graph, IBaseFilter* filter);
  static IBaseFilter* CutAfterDecodedVideo(IGraphBuilder* graph, IBaseFilter* filter);
  static BOOL InsertColorConverter(IGraphBuilder* graph, IBaseFilter* upstream, IBaseFilter* grabber);
  // Tells a source that only the first picture is wanted, before it loads the file.
  static void AskFirstPictureOnly(IBaseFilter* source);
  // Tells every filter of the built graph that asks to know it (its decoders).
  static void AskGraphForFirstPictureOnly(IGraphBuilder* graph);
  // The graph's own rendering of the file, its source told first that only the first picture is
  // wanted; the graph's answers (S_OK, VFW_S_PARTIAL_RENDER, a failure) as RenderFile gives them.
  static HRESULT RenderForFirstPicture(IGraphBuilder* graph, const std::string& path);

  // For tests and diagnostics; each builds the graph an open left for later.
  IGraphBuilder* Graph();
  IBaseFilter* GrabberFilter();

 private:
  enum class Road { None, Rendering, SourceFilter };
  bool CreateGraph();
  bool AddStillCapture();
  int BuildByRendering(const std::string& path);
  int BuildWithSourceFilter(const std::string& path);
  // The graph of the open's road, once; false when it cannot be built.
  bool BuildPendingGraph();

  std::unique_ptr<FirstKeyPicture> picture_;
  Road pending_ = Road::None;
  std::string path_;

  CComPtr<IGraphBuilder> graph_;
  CComPtr<IMediaControl> control_;
  CComPtr<IBaseFilter> grabber_;
  CComPtr<IBaseFilter> source_;
  bool comInitialised_ = false;
};
