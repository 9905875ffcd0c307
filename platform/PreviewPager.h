#pragma once

#include "platform/FontAttributes.h"
#include "platform/core/PageWindow.h"

#include <QObject>
#include <QPageLayout>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
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
    QTimer refresh_;
    QWidget* view_ = nullptr; ///< the viewport that shows the pages
};
