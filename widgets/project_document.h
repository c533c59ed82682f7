// IProjectDocument: how an editor or burner pack reads and writes its own group of an open
// project file during one load or save call.
#pragma once

#include "platform/com/object.h"
#include "platform/com/unknown.h"
#include "platform/base/key_file.h"

DEFINE_GUID(IID_IProjectDocument, 0x6EDE3035, 0x498F, 0x4730, 0xBB, 0xC1, 0x9D, 0x22, 0x25, 0x47, 0x9C, 0xA7);

// The method order is part of the interface: packs call through the table.
struct IProjectDocument : public IUnknown {
  STDMETHOD(GetValue)(LPCSTR section, LPCSTR key, LPCSTR* value) PURE;
  STDMETHOD(GetValueAt)(LPCSTR section, int index, LPCSTR* key, LPCSTR* value) PURE;
  STDMETHOD(SetValue)(LPCSTR section, LPCSTR key, LPCSTR value) PURE;
  STDMETHOD(SetValues)(LPCSTR section, LPCSTR lines) PURE;
};
VIDARRO_INTERFACE(IProjectDocument, IUnknown, IID_IProjectDocument);

// Serves the current group of a borrowed ProjectKeyFile. Made with new (or
// platform::com::MakeComObject); the creator holds the first reference and releases it when the
// pack's call is over, so a pack's own AddRef/Release pairs can never delete it early.
class CProjectDocument : public platform::com::ComObject<IProjectDocument> {
 public:
  explicit CProjectDocument(ProjectKeyFile* file) : file_(file) {}

  STDMETHODIMP GetValue(LPCSTR section, LPCSTR key, LPCSTR* value) override;
  STDMETHODIMP GetValueAt(LPCSTR section, int index, LPCSTR* key, LPCSTR* value) override;
  STDMETHODIMP SetValue(LPCSTR section, LPCSTR key, LPCSTR value) override;
  STDMETHODIMP SetValues(LPCSTR section, LPCSTR lines) override;

 private:
  ProjectKeyFile* file_;  // borrowed: the creator keeps it alive and frees it
};
