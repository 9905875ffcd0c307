#pragma once

// The logic of one paint pass, records in and runs out: plain C++, no Qt. The editor widget
// gathers the control's answers into a TPassInput, calls RunPass, and draws the runs.

#include "editor/core/ColorRules.h"
#include "editor/core/HotSpot.h"

#include <cstdint>
#include <vector>

// Priorities of the records the pass adds itself; the rules' own keys lie below them. A run of
// priority kZSelection or above is left to the control: the overlay draws nothing there.
constexpr std::uint8_t kZHotSpotText = 252;
constexpr std::uint8_t kZHotSpotMarker = 253;
constexpr std::uint8_t kZSelection = 254;
constexpr std::uint8_t kZTab = 255;

struct TPassInput {
    const char* Text = nullptr; ///< the buffer; Text[ScanEnd] is NUL
    int ScanStart = 0;          ///< offset of the first character of the scan region
    int ScanEnd = 0;
    int SelStart = 0;
    int SelLength = 0;
    THotSpot HotSpot;
    bool WantTabs = false;
    TColor Background = colors::clWindow; ///< the editor's background colour (tab records)
    bool RedrawAlways = false;
    int CaretLineStart = 0; ///< offset of the caret line's first character (RedrawAlways)
    TColor FontColor = colors::clWindowText;
};

// One cell of the merge: the winning record's colour, priority and keyword flag.
struct TCell {
    TColor Color = 0;
    std::uint8_t ZOrder = 0;
    bool IsKeyword = false;
    bool Marked = false;
};

// The buffers a pass reuses: the key list and the cell array, only grown.
struct TPassBuffers {
    TKeyDescrList Keys{100};
    std::vector<TCell> Cells;
    TCoveredRange Covered;
};

// Appends the hot-spot records (markers kZHotSpotMarker, text kZHotSpotText) of the scan region.
int FindHotSpots(const TPassInput& in, TKeyDescrList& keys, int next, TCoveredRange& covered);
// Appends one record of priority kZTab for every tab character of the scan region.
int FindTabs(const TPassInput& in, TKeyDescrList& keys, int next, TCoveredRange& covered);

// Runs the pass over the scan region: resets the key list, collects hot spots, tabs, the caret
// line record, the enabled rules' keys and the selection record (kZSelection), merges them into
// cells by priority (a later record wins a tie) and rewrites the key list with one record per run
// in text order, followed by a free record. Returns the number of runs. Runs lie inside the scan
// region: the parts of records beyond it (a long selection, a caret line off the region, offsets an
// OnDraw handler reports there) are cut off. Run the rules' PrepareRules first.
int RunPass(TDrawRules& rules, const TPassInput& in, TPassBuffers& buffers);
