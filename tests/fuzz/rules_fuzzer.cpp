// Drives the colour rules and the paint pass with arbitrary colour texts, list lines, texts,
// regions and editor state, and checks what every consumer of the runs relies on.

#include "editor/core/DrawPass.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

std::vector<std::string> lines(FuzzedDataProvider& fdp) {
    std::vector<std::string> out(fdp.ConsumeIntegralInRange<size_t>(0, 45));
    for (std::string& l : out)
        l = fdp.ConsumeRandomLengthString(40);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    (void)ParseKeyColor(fdp.ConsumeRandomLengthString(16));

    TDrawRules rules;
    std::vector<TKeyDescr> array(fdp.ConsumeIntegralInRange<size_t>(0, 6));
    std::vector<TKeyDescr> reported(fdp.ConsumeIntegralInRange<size_t>(0, 6));
    for (TKeyDescr& k : reported)
        k = {fdp.ConsumeIntegral<std::int32_t>(), fdp.ConsumeIntegral<std::int32_t>(),
             fdp.ConsumeIntegral<TColor>(), fdp.ConsumeIntegral<std::uint8_t>(), fdp.ConsumeBool()};
    const int claimed = fdp.ConsumeIntegralInRange<int>(-2, 10);
    TDrawEvent handler = [&](TColorRule&, const char* fromPos, TKeyDescr* a, int& count) {
        check(fromPos != nullptr && count == 0);
        for (size_t i = 0; i < reported.size() && i < array.size(); ++i)
            a[i] = reported[i];
        count = claimed;
    };
    rules.EventSource = {fdp.ConsumeIntegralInRange<int>(-1, 8), &array, &handler};

    const int ruleCount = fdp.ConsumeIntegralInRange<int>(1, 3);
    for (int r = 0; r < ruleCount; ++r) {
        TColorRule& rule = rules.Add();
        rule.KeyDrawingType = static_cast<TKeyDrawingType>(fdp.ConsumeIntegralInRange<int>(0, 3));
        rule.KeyCase = fdp.ConsumeBool();
        rule.PartWord = fdp.ConsumeBool();
        rule.Enabled = fdp.ConsumeBool() || r == 0;
        rule.ZOrder = fdp.ConsumeIntegral<std::uint8_t>();
        rule.DefKeyColor = fdp.ConsumeIntegral<TColor>();
        if (fdp.ConsumeBool()) {
            rule.SetKeywords(lines(fdp));
            rule.SetKeyBegEndLst(lines(fdp));
            rule.SetKeyLineEndLst(lines(fdp));
        } else {
            rule.Keywords = lines(fdp);
            rule.KeyBegEndLst = lines(fdp);
            rule.KeyLineEndLst = lines(fdp);
        }
    }
    PrepareRules(rules);

    TPassInput in;
    in.SelStart = fdp.ConsumeIntegral<int>();
    in.SelLength = fdp.ConsumeIntegral<int>();
    in.CaretLineStart = fdp.ConsumeIntegral<int>();
    in.RedrawAlways = fdp.ConsumeBool();
    in.WantTabs = fdp.ConsumeBool();
    in.HotSpot.Active = fdp.ConsumeBool();
    in.HotSpot.BeginChar = fdp.ConsumeIntegral<char>();
    in.HotSpot.EndChar = fdp.ConsumeIntegral<char>();
    const std::string text = fdp.ConsumeRemainingBytesAsString();
    in.Text = text.c_str();
    in.ScanEnd = static_cast<int>(text.size());
    in.ScanStart = in.ScanEnd == 0 ? 0
                                   : static_cast<int>(static_cast<unsigned>(data[0]) %
                                                      static_cast<unsigned>(in.ScanEnd + 1));

    // Each kind of rule alone: non-event records stay inside the region.
    for (int r = 0; r < rules.Count(); ++r) {
        TKeyDescrList keys(0);
        TCoveredRange covered;
        const int n = FindKeys(rules[r], keys, 0, in.Text, in.ScanStart, in.ScanEnd, covered);
        check(n >= 0 && n <= keys.Count());
        if (rules[r].KeyDrawingType == dtEventDraw)
            continue;
        for (int i = 0; i < n; ++i) {
            check(keys[i].StartPos >= in.ScanStart && keys[i].StartPos < in.ScanEnd);
            check(keys[i].EndPos < in.ScanEnd && keys[i].EndPos >= in.ScanStart - 1);
        }
    }

    // Two passes with the same buffers: runs in text order, inside the region, then a free one.
    TPassBuffers buffers;
    for (int pass = 0; pass < 2; ++pass) {
        const int runs = RunPass(rules, in, buffers);
        check(runs >= 0 && runs < buffers.Keys.Count());
        std::int32_t last = in.ScanStart - 1;
        for (int i = 0; i < runs; ++i) {
            const TKeyDescr& k = buffers.Keys[i];
            check(k.StartPos > last && k.EndPos >= k.StartPos && k.EndPos < in.ScanEnd);
            last = k.EndPos;
        }
        check(buffers.Keys[runs].StartPos == kFreeRecord);
        check(buffers.Cells.size() <= text.size() + 1);
        in.SelLength = 0;
    }
    return 0;
}
