#include "markup/core/PageMarkup.h"

namespace markup {

void applyEditorRuleSet(TColorRule& rule) {
    const TEditorRuleSet& set = editorRuleSet();
    rule.KeyDrawingType = set.keyDrawingType;
    rule.PartWord = set.partWord;
    rule.DefKeyColor = set.defKeyColor;
    // Last: the keyword table takes the rule's key colour for entries without a colour of their
    // own.
    rule.SetKeywords(set.keywords);
}

} // namespace markup
