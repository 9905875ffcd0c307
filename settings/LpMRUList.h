#pragma once

#include <QAction>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QMenu;
class TLpIniCtrl;
class TPrompts;

// A component that belongs to a form and loads and saves itself through a settings store when its
// form is created and destroyed. Creating one with an owner that is not a window fails.
class TLpCustomIniComponent : public QObject {
    Q_OBJECT
public:
    // Throws TLpError(class name + CR + "Invalid Owner (<>TForm)") when owner is not a window.
    TLpCustomIniComponent(QObject* owner, const char* className);
};

// A menu item made by the recent-files list, so the list can tell its own items from others.
class TLpMRUItem : public QAction {
    Q_OBJECT
public:
    TLpMRUItem(const QString& caption, int tag, QObject* parent);
    int Tag; ///< index of the entry, or 65535 for the clear item
};

enum TLpMRUStyle { msAfterItem, msBeforeItem, msCreateSubMenu };
enum TLpMRUOption { moFileNameOnly = 1, moShowAccel = 2, moSubIfEmpty = 4, moSubClearOption = 8 };
enum TLpIniUse { ioUseLink, ioUseGlobal, ioNone };

// The recent-files list: the last files opened, newest first, shown as numbered items of a menu,
// kept in numbered values "H0", "H1", ... of a settings section.
class TLpMRUList : public TLpCustomIniComponent {
    Q_OBJECT
public:
    using TLpMRUClickEvent =
        std::function<void(QAction* sender, const QString& aValue, bool& Remove)>;

    explicit TLpMRUList(QObject* owner);
    ~TLpMRUList() override;

    // Configuration. Setting MenuItem, Style, MaxLength, Hint, HelpContext or MaxEntries
    // rebuilds the menu.
    QAction* MenuItem() const { return menuItem_; }
    void SetMenuItem(QAction* item);
    TLpMRUStyle Style() const { return style_; }
    void SetStyle(TLpMRUStyle style);
    int Options = moShowAccel | moSubIfEmpty;
    int MaxEntries() const { return maxEntries_; }
    void SetMaxEntries(int n); ///< 0..255; lowering it drops the oldest entries
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n); ///< 255: no limit; below 13: file names only
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context);
    bool Shared = false;
    TLpIniCtrl* IniLink = nullptr;
    TLpIniUse IniUse = ioUseGlobal;
    QString Section() const;
    void SetSection(const QString& section); ///< blank: owner name + ".MRUList"
    TPrompts* Prompts = nullptr;             ///< asks before the list is cleared
    // Stores the list whenever its entries change (Add, Delete, Clear, a lower MaxEntries), so
    // that a run that never gets to its owner's close keeps them too.
    bool SaveOnChange = false;
    // Told, with the store's message, when such a store fails; the entries stay as they are. Left
    // empty, the failure is thrown.
    std::function<void(const QString& message)> OnSaveFailed;

    TLpMRUClickEvent OnClick;
    std::function<void()> OnClearListClick;
    std::function<void()> OnChange;

    const QStringList& Items() const { return items_; }

    void Add(const QString& path);
    void Delete(const QString& path);
    void Clear();
    void RebuildMenu();
    void LoadFromStore();
    void SaveToStore();

    // The caption of the entry at index i, as the menu shows it.
    QString Caption(int i) const;

    // The clicks of the list's own items (also used by tests).
    void ItemClick(TLpMRUItem* item);
    void ClearItemClick();

private:
    TLpIniCtrl* store() const;
    QString displayText(const QString& entry) const;
    void removeOwnItems();
    QMenu* parentMenu() const;
    // The entries were before and may have changed: stores them when SaveOnChange asks for it.
    void changed(const QStringList& before);

    QPointer<QAction> menuItem_;
    TLpMRUStyle style_ = msAfterItem;
    int maxEntries_ = 4;
    int maxLength_ = 255;
    QString hint_;
    int helpContext_ = 0;
    QString section_;
    QStringList items_;
    QList<QPointer<QAction>> made_; ///< items this list put into a menu
};

// Shortens a path to at most maxLength characters for display, keeping its start and its end:
// "/home/ann/.../pages/intro.txt". The file name is kept whole where it fits.
QString shortenPath(const QString& path, int maxLength);
