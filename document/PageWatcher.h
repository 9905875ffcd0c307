#pragma once

#include <QPointer>
#include <QString>

#include <functional>

class TPageDocument;

// Whether a page is coming in from its file.
enum class TPageLoadState {
    Idle,    ///< nothing is being read
    Loading, ///< a page is coming in from its file
};

// A view of the page document. The document tells each of its watchers of every change, in the
// order they were added; a watcher may add or remove watchers while it is told.
class TPageWatcher {
public:
    virtual ~TPageWatcher() = default;
    // `removed` page characters at `offset` gave way to `added` ones (page offsets: a line break
    // counts two).
    virtual void pageChanged(int offset, int removed, int added);
    // The page's changes since it was last read or written: there are some, or none any more.
    virtual void modifiedChanged(bool modified);
    // The page's file, and so its displayed name, changed.
    virtual void pathChanged(const QString& path);
    virtual void loadStateChanged(TPageLoadState state);
};

// A watcher made of functions, for views that only want a few of the notices. It watches the
// page from its construction to its end.
class TPageWatch final : public TPageWatcher {
public:
    struct TNotices {
        std::function<void(int offset, int removed, int added)> changed{};
        std::function<void(bool modified)> modified{};
        std::function<void(const QString& path)> path{};
        std::function<void(TPageLoadState state)> loadState{};
    };

    TPageWatch(const TPageDocument& page, TNotices notices);
    ~TPageWatch() override;
    TPageWatch(const TPageWatch&) = delete;
    TPageWatch& operator=(const TPageWatch&) = delete;

    void pageChanged(int offset, int removed, int added) override;
    void modifiedChanged(bool modified) override;
    void pathChanged(const QString& path) override;
    void loadStateChanged(TPageLoadState state) override;

private:
    QPointer<const TPageDocument> page_; ///< nothing once the page has gone
    TNotices notices_;
};
