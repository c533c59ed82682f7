// CSpectrumBar: one channel's 30-band spectrum, each band a bar cut from a bar bitmap over a
// background bitmap, with a two-pixel peak mark; bars fall between level updates (timer 100).
#pragma once

#include "platform/controls/afx_controls.h"
#include "platform/gdi/afx_gdi.h"

// The rows [first, last) of the bar bitmap drawn for one band; empty when nothing is drawn.
struct BarRows {
  int first = 0, last = 0;
  bool Empty() const { return first >= last; }
};
// The bar of a band at that level (percent) in a bitmap bh rows high; a decayed bar starts
// 10 rows lower. Always within [0, bh); nothing for levels at or below 0.
BarRows SpectrumBarRows(int level, int bh, bool fresh);
// The two rows of the peak mark; nothing for peaks at or below 0.
BarRows SpectrumPeakRows(int peak, int bh);

class CSpectrumBar : public CStatic {
 public:
  static constexpr int kBands = 30;
  static constexpr UINT_PTR kDecayTimer = 100;

  CSpectrumBar();
  ~CSpectrumBar() override;

  void Reset();
  BOOL SetBarBitmap(HINSTANCE instance, UINT id);
  BOOL SetBackBitmap(HINSTANCE instance, UINT id);
  // Takes ownership of bitmaps made elsewhere (the build's generated skin, tests).
  void SetBitmaps(HBITMAP bar, HBITMAP back);
  void SetLevels(const BYTE bands[kBands]);
  // One decay step, as the timer takes it.
  void Decay();
  // Draws the whole widget into dc at (0, 0); nothing without both bitmaps.
  void Compose(CDC* dc);

  int Level(int band) const { return level_[band]; }
  int Peak(int band) const { return peak_[band]; }

 protected:
  void PreSubclassWindow() override;
  void OnPaint() override;
  void OnTimer(UINT_PTR id) override;
  DECLARE_MESSAGE_MAP()

 private:
  void DeleteBitmaps();
  int level_[kBands] = {};
  int peak_[kBands] = {};
  int fresh_ = 1;
  int hold_ = 1;
  UINT interval_ = 100;
  HBITMAP bar_ = nullptr;
  HBITMAP back_ = nullptr;
};
