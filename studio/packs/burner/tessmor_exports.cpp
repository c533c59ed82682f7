// Tessmor.so: the burner pack as an in-process server of "QnPack.BurnDisk_Vidarro50". Its window,
// drawing, disc and file functions come from the program that loads it.
#include "burner_pack.h"
#include "platform/com/inproc_server.h"
#include "product.h"

using studio::packs::CBurnerPack;
using studio::packs::CLSID_BurnerPack;

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return platform::com::ServeClassObject<CBurnerPack>(clsid, CLSID_BurnerPack, riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  const std::string self = platform::com::ModuleFileOf(reinterpret_cast<const void*>(&DllGetClassObject));
  return platform::com::RegisterInprocServer(CLSID_BurnerPack, studio::kBurnerProgId, self);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  return platform::com::UnregisterInprocServer(CLSID_BurnerPack, studio::kBurnerProgId);
}

// Objects of the pack may outlive any count kept here: the module stays.
extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return S_FALSE; }
