#include "widgets/project_document.h"

namespace {
const char* OrEmpty(LPCSTR s) { return s ? s : ""; }
}  // namespace

STDMETHODIMP CProjectDocument::GetValue(LPCSTR section, LPCSTR key, LPCSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  if (!file_) return E_FAIL;
  return file_->GetValuePtr(OrEmpty(section), OrEmpty(key), value) ? S_OK : E_FAIL;
}

STDMETHODIMP CProjectDocument::GetValueAt(LPCSTR section, int index, LPCSTR* key, LPCSTR* value) {
  if (!key || !value) return E_POINTER;
  *key = nullptr;
  *value = nullptr;
  if (!file_) return E_FAIL;
  return file_->GetEntryPtr(OrEmpty(section), index, key, value) ? S_OK : E_FAIL;
}

STDMETHODIMP CProjectDocument::SetValue(LPCSTR section, LPCSTR key, LPCSTR value) {
  if (!file_) return E_FAIL;
  file_->AddValue(OrEmpty(section), OrEmpty(key), OrEmpty(value));
  return S_OK;
}

STDMETHODIMP CProjectDocument::SetValues(LPCSTR section, LPCSTR lines) {
  if (!file_) return E_FAIL;
  file_->AddValues(OrEmpty(section), OrEmpty(lines));
  return S_OK;
}
