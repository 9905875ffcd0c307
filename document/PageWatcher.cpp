#include "document/PageWatcher.h"

#include "document/PageDocument.h"

void TPageWatcher::pageChanged(int, int, int) {}
void TPageWatcher::modifiedChanged(bool) {}
void TPageWatcher::pathChanged(const QString&) {}
void TPageWatcher::loadStateChanged(TPageLoadState) {}

TPageWatch::TPageWatch(const TPageDocument& page, TNotices notices)
    : page_(&page), notices_(std::move(notices)) {
    page.addWatcher(this);
}

TPageWatch::~TPageWatch() {
    if (page_)
        page_->removeWatcher(this);
}

void TPageWatch::pageChanged(int offset, int removed, int added) {
    if (notices_.changed)
        notices_.changed(offset, removed, added);
}

void TPageWatch::modifiedChanged(bool modified) {
    if (notices_.modified)
        notices_.modified(modified);
}

void TPageWatch::pathChanged(const QString& path) {
    if (notices_.path)
        notices_.path(path);
}

void TPageWatch::loadStateChanged(TPageLoadState state) {
    if (notices_.loadState)
        notices_.loadState(state);
}
