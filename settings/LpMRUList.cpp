#include "settings/LpMRUList.h"

#include "platform/Errors.h"
#include "platform/Prompts.h"
#include "settings/LpIniCtrl.h"

#include <QFileInfo>
#include <QMenu>
#include <QWidget>

#include <utility>

namespace {

constexpr int kClearTag = 65535;

TLpIniCtrl* globalStore = nullptr;

// Two spellings are one entry when they differ at most in letter case and name the same file.
// Where the file system ignores case they do; where it does not (Linux), "a.txt" and "A.txt" are
// two files, and merging them would open the wrong one.
bool sameEntry(const QString& a, const QString& b) {
    if (a == b)
        return true;
    if (a.compare(b, Qt::CaseInsensitive) != 0)
        return false;
    const QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists() && fa == fb;
}

} // namespace

TLpCustomIniComponent::TLpCustomIniComponent(QObject* owner, const char* className)
    : QObject(owner) {
    auto* form = qobject_cast<QWidget*>(owner);
    if (!form || !form->isWindow())
        throw TLpError(QString::fromLatin1(className) + "\rInvalid Owner (<>TForm)");
}

TLpMRUItem::TLpMRUItem(const QString& caption, int tag, QObject* parent)
    : QAction(caption, parent), Tag(tag) {}

QString shortenPath(const QString& path, int maxLength) {
    if (path.size() <= maxLength)
        return path;
    const QString ellipsis = QStringLiteral("...");
    const int cut = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    const QString tail = cut >= 0 ? path.mid(cut) : path; // separator and file name
    // Keep the first folder ("/home" or "C:") when the file name leaves room for it.
    const int headEnd = std::max(path.indexOf('/', 1), path.indexOf('\\', 1));
    if (headEnd > 0 && headEnd < cut) {
        const QString head = path.left(headEnd + 1);
        if (head.size() + ellipsis.size() + tail.size() <= maxLength) {
            // Then as much of the path before the file name as still fits.
            const int room = maxLength - head.size() - ellipsis.size() - tail.size();
            const QString middle = path.mid(cut - room, room);
            return head + ellipsis + middle + tail;
        }
    }
    return ellipsis + path.right(maxLength - ellipsis.size());
}

TLpMRUList::TLpMRUList(QObject* owner) : TLpCustomIniComponent(owner, "TLpMRUList") {}

TLpMRUList::~TLpMRUList() {
    removeOwnItems();
}

void TLpMRUList::SetMenuItem(QAction* item) {
    removeOwnItems();
    menuItem_ = item;
    RebuildMenu();
}

void TLpMRUList::SetStyle(TLpMRUStyle style) {
    removeOwnItems();
    style_ = style;
    RebuildMenu();
}

void TLpMRUList::SetMaxEntries(int n) {
    const QStringList before = items_;
    maxEntries_ = std::clamp(n, 0, 255);
    while (items_.size() > maxEntries_)
        items_.removeLast();
    RebuildMenu();
    changed(before);
}

void TLpMRUList::SetMaxLength(int n) {
    maxLength_ = std::clamp(n, 0, 255);
    RebuildMenu();
}

void TLpMRUList::SetHint(const QString& hint) {
    hint_ = hint;
    RebuildMenu();
}

void TLpMRUList::SetHelpContext(int context) {
    helpContext_ = context;
    RebuildMenu();
}

QString TLpMRUList::Section() const {
    if (!section_.trimmed().isEmpty())
        return section_;
    return (parent() ? parent()->objectName() : QString()) + ".MRUList";
}

void TLpMRUList::SetSection(const QString& section) {
    section_ = section;
}

void TLpMRUList::Add(const QString& path) {
    if (path.trimmed().isEmpty())
        return;
    const QStringList before = items_;
    QString entry = path;
    for (int i = 0; i < items_.size(); ++i) {
        if (sameEntry(items_[i], path)) {
            entry = items_.takeAt(i); // keeps the letter case it was first added with
            break;
        }
    }
    items_.prepend(entry);
    if (items_.size() > maxEntries_)
        items_.removeAt(maxEntries_);
    RebuildMenu();
    changed(before);
}

void TLpMRUList::Delete(const QString& path) {
    for (int i = 0; i < items_.size(); ++i) {
        if (sameEntry(items_[i], path)) {
            const QStringList before = items_;
            items_.removeAt(i);
            RebuildMenu();
            changed(before);
            return;
        }
    }
}

void TLpMRUList::Clear() {
    removeOwnItems();
    const QStringList before = std::exchange(items_, QStringList());
    changed(before);
}

void TLpMRUList::changed(const QStringList& before) {
    if (!SaveOnChange || items_ == before || !store())
        return;
    try {
        SaveToStore();
    } catch (const TLpError& error) {
        if (!OnSaveFailed)
            throw;
        OnSaveFailed(error.message());
    }
}

QString TLpMRUList::displayText(const QString& entry) const {
    QString text;
    if ((Options & moFileNameOnly) || maxLength_ < 13)
        text = QFileInfo(QString(entry).replace('\\', '/')).fileName();
    else if (maxLength_ == 255)
        text = entry;
    else
        text = shortenPath(entry, maxLength_);
    // An ampersand in a path is shown as itself, not as an access letter.
    return text.replace('&', "&&");
}

QString TLpMRUList::Caption(int i) const {
    const QString text = displayText(items_.value(i));
    if (!(Options & moShowAccel))
        return text;
    if (i < 9)
        return QString("&%1 %2").arg(i + 1).arg(text);
    return QString("&%1 %2").arg(QChar(i + 56)).arg(text);
}

QMenu* TLpMRUList::parentMenu() const {
    if (!menuItem_)
        return nullptr;
    for (QObject* o : menuItem_->associatedObjects())
        if (auto* m = qobject_cast<QMenu*>(o); m && m->menuAction() != menuItem_)
            return m;
    return nullptr;
}

void TLpMRUList::removeOwnItems() {
    // The clicked item may be among these while its click is still being dispatched: take them
    // out of their menus now, destroy them once the event loop is back.
    for (const QPointer<QAction>& a : made_) {
        if (!a)
            continue;
        for (QObject* o : a->associatedObjects())
            if (auto* w = qobject_cast<QWidget*>(o))
                w->removeAction(a);
        a->deleteLater();
    }
    made_.clear();
}

void TLpMRUList::RebuildMenu() {
    removeOwnItems();
    if (!menuItem_)
        return;

    auto entryItem = [this](int i) {
        auto* item = new TLpMRUItem(Caption(i), i, this);
        item->setToolTip(hint_);
        item->setStatusTip(hint_);
        item->setProperty("HelpContext", helpContext_);
        connect(item, &QAction::triggered, this, [this, item] { ItemClick(item); });
        made_ << item;
        return item;
    };
    auto separator = [this] {
        auto* s = new TLpMRUItem(QString(), -1, this);
        s->setSeparator(true);
        made_ << s;
        return s;
    };

    QMenu* sub = menuItem_->menu();
    const bool ownItemsPresent = sub && !sub->actions().isEmpty();
    if (ownItemsPresent) {
        // The menu item has items of its own: the entries follow them behind a separator.
        if (!items_.isEmpty()) {
            sub->addAction(separator());
            for (int i = 0; i < items_.size(); ++i)
                sub->addAction(entryItem(i));
        }
    } else if (style_ == msCreateSubMenu) {
        if (!sub) {
            sub = new QMenu(qobject_cast<QWidget*>(menuItem_->parent()));
            menuItem_->setMenu(sub);
        }
        menuItem_->setEnabled(true);
        if (!items_.isEmpty()) {
            for (int i = 0; i < items_.size(); ++i)
                sub->addAction(entryItem(i));
            if (Options & moSubClearOption) {
                sub->addAction(separator());
                auto* clear = new TLpMRUItem("Clear List...", kClearTag, this);
                clear->setToolTip("Clear recent files list");
                clear->setStatusTip("Clear recent files list");
                clear->setProperty("HelpContext", helpContext_);
                connect(clear, &QAction::triggered, this, &TLpMRUList::ClearItemClick);
                made_ << clear;
                sub->addAction(clear);
            }
        } else if (Options & moSubIfEmpty) {
            auto* empty = new TLpMRUItem("(vide)", -1, this);
            empty->setEnabled(false);
            made_ << empty;
            sub->addAction(empty);
        } else {
            menuItem_->setEnabled(false);
        }
    } else if (QMenu* menu = parentMenu(); menu && !items_.isEmpty()) {
        // Entries right after or right before the menu item, set off by separators.
        QList<QAction*> all = menu->actions();
        const int at = all.indexOf(menuItem_.data());
        QAction* before = style_ == msAfterItem ? all.value(at + 1, nullptr) : menuItem_.data();
        QList<QAction*> fresh;
        fresh << separator();
        for (int i = 0; i < items_.size(); ++i)
            fresh << entryItem(i);
        fresh << separator();
        menu->insertActions(before, fresh);
    }
    if (OnChange)
        OnChange();
}

void TLpMRUList::ItemClick(TLpMRUItem* item) {
    const int i = item ? item->Tag : -1;
    if (i < 0 || i >= items_.size())
        return;
    const QString value = items_[i];
    bool remove = false;
    if (OnClick)
        OnClick(item, value, remove);
    if (Shared)
        return;
    if (remove)
        Delete(value);
    else
        Add(value);
}

void TLpMRUList::ClearItemClick() {
    if (OnClearListClick)
        OnClearListClick();
    if (Shared)
        return;
    if (Prompts && !Prompts->askYesNo("Really clear recent files list?"))
        return;
    Clear();
    RebuildMenu();
}

TLpIniCtrl* TLpMRUList::store() const {
    switch (IniUse) {
    case ioUseLink:
        return IniLink;
    case ioUseGlobal:
        return globalStore;
    case ioNone:
        break;
    }
    return nullptr;
}

void TLpMRUList::LoadFromStore() {
    TLpIniCtrl* s = store();
    if (!s)
        return;
    QStringList loaded;
    s->ReadStrings(Section(), "H", maxEntries_, loaded);
    items_ = loaded;
    RebuildMenu();
}

void TLpMRUList::SaveToStore() {
    if (TLpIniCtrl* s = store())
        s->WriteStrings(Section(), "H", maxEntries_, items_);
}
