// The host object through which a pack talks back: values it asks for, notifications it sends,
// the commands relayed to the other pack or to a running side program.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pack_interfaces.h"
#include "platform/com/object.h"
#include "studio_model.h"

namespace studio {

constexpr int kEditorPackNumber = 1;
constexpr int kBurnerPackNumber = 2;

// "k=v;k=v": pairs split at ";", key and value at the first "="; a pair without "=" has an
// empty value; leading separators are skipped.
std::vector<std::pair<std::string, std::string>> SplitPairs(std::string_view text);

class PackHost final : public IPackHost {
 public:
  // The window's own reference is the first one; it gives it back with ReleaseOwner.
  PackHost(int packNumber, StudioModel* owner) : packNumber_(packNumber), owner_(owner) {}
  PackHost(const PackHost&) = delete;
  PackHost& operator=(const PackHost&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  // A pack's surplus Release never takes the window's reference away.
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Reserved3(int) override { return S_OK; }
  STDMETHODIMP GetValue(LPCSTR key, BSTR* value) override;
  STDMETHODIMP Command(LPCSTR sender, LPCSTR text) override;
  STDMETHODIMP_(int) MessageBox(LPCSTR text, UINT type) override;
  STDMETHODIMP DisableMainControls(BOOL disable) override;
  STDMETHODIMP CreateSkin(void** skin) override;
  STDMETHODIMP Reserved9(int) override { return S_OK; }
  STDMETHODIMP GetCurrentPage(int* page) override;

  // The window is done with the host: it forgets its model and drops the first reference.
  void ReleaseOwner();
  int PackNumber() const { return packNumber_; }
  ULONG RefCount() const { return refs_; }

 private:
  ~PackHost() = default;
  HRESULT RelayStage(const std::string& sender, const std::string& text);

  int packNumber_;
  StudioModel* owner_;
  ULONG refs_ = 1;
  bool ownerHolds_ = true;
};

}  // namespace studio
