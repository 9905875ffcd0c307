#pragma once

#include "platform/FontAttributes.h"
#include "print/core/PageWindow.h"

#include <QHash>
#include <QObject>
#include <QPageLayout>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QGraphicsItem;
class QPrintPreviewWidget;
class QPrinter;
class QWidget;

// Keeps a print preview drawing only the pages around the one being looked at. The preview asks
// for every page each time it refreshes; the pages out of sight are started but left blank, so
// its page count, navigation and zoom are those of the whole document while a long page costs
// the memory of a few. When the author moves to a page that is not drawn, the preview is asked to
// refresh around it.
class TPreviewPager : public QObject {
public:
    using TProgressFactory = std::function<std::unique_ptr<TPrintProgress>()>;

    // lines as printDocument takes them; they must outlive the pager.
    TPreviewPager(QPrintPreviewWidget& preview, const std::vector<std::u16string>& lines,
                  const TFontAttributes& font, TProgressFactory progress);

    // Draws the preview's pages on the preview printer (paintRequested in preview mode). The
    // first time, and after a change of paper or orientation, the whole document is laid out
    // with a progress; then only the pages near the current one. Throws as printing does.
    void paint(QPrinter& target);

    // Pages drawn by the last paint (0-based, inclusive).
    int firstDrawn() const { return first_; }
    int lastDrawn() const { return last_; }

    // Pages drawn before and after the current one.
    static constexpr int kBehind = 2;
    static constexpr int kAhead = 5;
    // The most pages drawn at once (all pages in sight at a small zoom).
    static constexpr int kMostDrawn = 300;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The first and last pages in sight (0-based).
    std::pair<int, int> pagesInSight();
    // Whether the pages in sight, and one more on each side, are drawn.
    bool sightDrawn();
    void currentPageMoved();
    void refresh();

    QPrintPreviewWidget& preview_;
    TFontAttributes font_;
    TProgressFactory progress_;
    TPageWindow pages_;
    QPageLayout layout_; ///< the paper the pages were laid out on
    int resolution_ = 0;
    int first_ = 0;
    int last_ = -1;
    bool painting_ = false;
    bool awaitingPages_ = false; ///< from a paint to the preview's new page items
    QTimer refresh_;
    QWidget* view_ = nullptr;                    ///< the viewport that shows the pages
    QHash<const QGraphicsItem*, int> itemPages_; ///< the view's page items and their pages
};
