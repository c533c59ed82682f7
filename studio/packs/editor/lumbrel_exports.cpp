// Lumbrel.so: the editor pack as an in-process server of "QnPack.Editor_5". Its window,
// drawing and file functions come from the program that loads it.
#include "editor_pack.h"
#include "platform/com/inproc_server.h"
#include "product.h"

using studio::packs::CEditorPack;
using studio::packs::CLSID_EditorPack;

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return platform::com::ServeClassObject<CEditorPack>(clsid, CLSID_EditorPack, riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  const std::string self = platform::com::ModuleFileOf(reinterpret_cast<const void*>(&DllGetClassObject));
  return platform::com::RegisterInprocServer(CLSID_EditorPack, studio::kEditorProgId, self);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  return platform::com::UnregisterInprocServer(CLSID_EditorPack, studio::kEditorProgId);
}

// Objects of the pack may outlive any count kept here: the module stays.
extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return S_FALSE; }
