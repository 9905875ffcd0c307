#include "settings/PagePositions.h"

#include "settings/LpIniCtrl.h"
#include "settings/SettingsKeys.h"

#include <QStringList>

#include <algorithm>

void TPagePositions::remember(const TPagePosition& position) {
    if (position.path.isEmpty())
        return;
    std::erase_if(pages_, [&](const TPagePosition& p) { return p.path == position.path; });
    pages_.insert(pages_.begin(), position);
    if (static_cast<int>(pages_.size()) > kMaxPages)
        pages_.resize(kMaxPages);
}

std::optional<TPagePosition> TPagePositions::find(const QString& path) const {
    for (const TPagePosition& p : pages_)
        if (p.path == path)
            return p;
    return std::nullopt;
}

QString TPagePositions::encode(const TPagePosition& p) {
    return QString("%1,%2,%3,%4,%5,%6,%7")
        .arg(p.caret)
        .arg(p.line)
        .arg(p.column)
        .arg(p.top)
        .arg(p.size)
        .arg(QString::number(p.hash, 16), p.path);
}

std::optional<TPagePosition> TPagePositions::decode(const QString& text) {
    const QStringList f = text.split(',');
    if (f.size() < 7)
        return std::nullopt;
    TPagePosition p;
    bool ok[6] = {};
    p.caret = f[0].toInt(&ok[0]);
    p.line = f[1].toInt(&ok[1]);
    p.column = f[2].toInt(&ok[2]);
    p.top = f[3].toInt(&ok[3]);
    p.size = f[4].toLongLong(&ok[4]);
    p.hash = f[5].toULongLong(&ok[5], 16);
    p.path = f.mid(6).join(',');
    if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) || p.caret < 0 ||
        p.line < 0 || p.column < 0 || p.top < 0 || p.path.isEmpty())
        return std::nullopt;
    return p;
}

void TPagePositions::load(TLpIniCtrl& store) {
    QStringList texts;
    store.ReadStrings(settingsKeys::kPositionsSection, "P", kMaxPages, texts);
    pages_.clear();
    for (const QString& t : texts)
        if (auto p = decode(t); p && !find(p->path))
            pages_.push_back(*p);
    QStringList languages;
    store.ReadStrings(settingsKeys::kPositionsSection, "L", kMaxPages, languages);
    for (const QString& t : languages) {
        const qsizetype comma = t.indexOf(',');
        if (comma <= 0)
            continue;
        const QString path = t.mid(comma + 1);
        for (TPagePosition& p : pages_)
            if (p.path == path && p.language.isEmpty())
                p.language = t.left(comma);
    }
}

void TPagePositions::save(TLpIniCtrl& store) const {
    QStringList texts, languages;
    for (const TPagePosition& p : pages_) {
        texts << encode(p);
        if (!p.language.isEmpty() && !p.language.contains(','))
            languages << p.language + ',' + p.path;
    }
    store.WriteStringLists(settingsKeys::kPositionsSection, kMaxPages,
                           {{"P", texts}, {"L", languages}});
}

TPagePositions::TRestore TPagePositions::restoreIn(const TPagePosition& kept, bool sameFile,
                                                   int lineCount) {
    TRestore r;
    if (sameFile) {
        r.exact = true;
        r.line = kept.line;
        r.column = kept.column;
        r.top = kept.top;
    } else if (kept.line < lineCount) {
        r.line = kept.line;
        r.column = kept.column;
        r.top = std::min(kept.top, kept.line);
    }
    return r;
}
