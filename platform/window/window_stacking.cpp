#include <unordered_map>
#include <unordered_set>

#include "platform/window/window_internal.h"
#include "platform/window/window_styles.h"

namespace platform::win {

namespace {

struct Band {
  std::unordered_map<HWND, std::vector<HWND>> owned;  // in stacking order
  std::unordered_map<HWND, HWND> owner;               // only owners in the same band
};

void Emit(const Band& band, HWND h, std::vector<HWND>* out, std::unordered_set<HWND>* done) {
  if (!done->insert(h).second) return;
  if (auto it = band.owned.find(h); it != band.owned.end())
    for (HWND c : it->second) Emit(band, c, out, done);
  out->push_back(h);
}

}  // namespace

// Windows keeps topmost windows above all others, and each owned window (a dialog, a tip, a
// balloon) above its owner, however the owner was raised; a group comes up as a whole.
void KeepStackingRules() {
  auto& order = TopLevelOrder();
  if (order.size() < 2) return;
  std::unordered_set<HWND> listed(order.begin(), order.end());
  std::unordered_map<HWND, HWND> ownerOf;
  std::unordered_map<HWND, bool> topmost;
  for (HWND h : order) {
    auto w = FindLocked(h);
    if (!w) continue;
    if (w->owner && w->owner != h && listed.count(w->owner)) ownerOf[h] = w->owner;
    topmost[h] = (w->exStyle & WS_EX_TOPMOST) != 0;
  }
  // Owned windows of a topmost window are topmost too; the walk is bounded against cycles.
  auto isTopmost = [&](HWND h) {
    for (size_t steps = 0; h && steps <= order.size(); ++steps) {
      if (topmost[h]) return true;
      auto it = ownerOf.find(h);
      h = it == ownerOf.end() ? nullptr : it->second;
    }
    return false;
  };
  Band bands[2];
  std::vector<HWND> members[2];
  for (HWND h : order) members[isTopmost(h) ? 0 : 1].push_back(h);
  std::vector<HWND> result;
  result.reserve(order.size());
  std::unordered_set<HWND> done;
  for (int b = 0; b < 2; ++b) {
    Band& band = bands[b];
    std::unordered_set<HWND> inBand(members[b].begin(), members[b].end());
    for (HWND h : members[b]) {
      auto it = ownerOf.find(h);
      if (it != ownerOf.end() && inBand.count(it->second)) {
        band.owner[h] = it->second;
        band.owned[it->second].push_back(h);
      }
    }
    auto root = [&](HWND h) {
      for (size_t steps = 0; steps <= order.size(); ++steps) {
        auto it = band.owner.find(h);
        if (it == band.owner.end()) break;
        h = it->second;
      }
      return h;
    };
    for (HWND h : members[b]) Emit(band, root(h), &result, &done);
    // Members of an owner cycle that no root reached keep their place.
    for (HWND h : members[b])
      if (!done.count(h)) Emit(band, h, &result, &done);
  }
  order = std::move(result);
}

}  // namespace platform::win
