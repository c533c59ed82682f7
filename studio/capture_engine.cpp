#include "capture_engine.h"

namespace studio {

CaptureEngine& TheCaptureEngine() {
  // Never destroyed: the graphs' streaming threads and COM objects must not be torn down in
  // static destruction, after the platform they run on has gone.
  static CaptureEngine* engine = new CaptureEngine;
  return *engine;
}

}  // namespace studio
