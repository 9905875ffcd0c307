#pragma once

// Helpers of the editor widget tests: a shown editor with the page rule, and pixel checks on
// grabbed images.

#include "editor/ColMemo.h"
#include "markup/core/PageMarkup.h"
#include "platform/HandCursor.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace memotest {

inline void addPageRule(TColorMemo& m) {
    markup::applyEditorRuleSet(m.ColorRules().Add());
}

inline std::unique_ptr<TColorMemo> makeMemo(const QString& text, QSize size = {420, 200},
                                            bool rule = true, const char* face = "DejaVu Sans",
                                            int points = 12) {
    auto m = std::make_unique<TColorMemo>();
    TFontAttributes f;
    f.name = face;
    f.size = points;
    f.color = colors::clBlack;
    m->SetEditorFont(f);
    m->resize(size);
    if (rule)
        addPageRule(*m);
    m->SetText(text);
    m->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m.get()));
    QApplication::processEvents();
    return m;
}

// The viewport as painted from scratch.
inline QImage grabView(TColorMemo& m) {
    return m.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The rectangle of the characters [from, to) on one display line, in viewport coordinates.
inline QRect charsRect(const TColorMemo& m, int from, int to) {
    const auto a = m.adapter().posFromOffset(from);
    const auto b = m.adapter().posFromOffset(to);
    if (!a || !b)
        return {};
    const TDisplayLine l = m.adapter().lineAt(from);
    return QRect(QPoint(a->x(), a->y()), QPoint(b->x() - 1, a->y() + int(l.Height) - 1));
}

inline int countPixels(const QImage& img, const QRect& r, const std::function<bool(QRgb)>& pred) {
    int n = 0;
    const QRect box = r.intersected(img.rect());
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (pred(img.pixel(x, y)))
                ++n;
    return n;
}

inline bool bluish(QRgb p) {
    return qBlue(p) > 150 && qRed(p) < 100 && qGreen(p) < 100;
}
inline bool greenish(QRgb p) {
    return qGreen(p) > 60 && qRed(p) < 60 && qBlue(p) < 60;
}
inline bool navyish(QRgb p) {
    return qBlue(p) > qRed(p) + 50 && qBlue(p) > qGreen(p) + 50;
}
inline bool dark(QRgb p) {
    return qGray(p) < 150;
}
inline bool coloured(QRgb p) {
    return std::abs(qRed(p) - qGreen(p)) > 30 || std::abs(qGreen(p) - qBlue(p)) > 30;
}

// The program's pointing hand, with its hot point at the fingertip.
inline bool showsHand(const QWidget* w) {
    return w->cursor().shape() == Qt::BitmapCursor && w->cursor().hotSpot() == kHandHotSpot;
}

inline int differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                ++n;
    return n;
}

// What the viewport shows on the (real) screen.
inline QImage onScreen(TColorMemo& m) {
    QApplication::processEvents();
    const QPoint at = m.viewport()->mapToGlobal(QPoint(0, 0));
    return m.screen()
        ->grabWindow(0, at.x(), at.y(), m.viewport()->width(), m.viewport()->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// How many pixels on the screen differ from a fresh paint of the viewport. Under load the display
// can lag behind the program, so the screen is read again for up to two seconds until it agrees;
// a smear stays and is counted.
inline int screenVersusFresh(TColorMemo& m, QImage* shown = nullptr) {
    int apart = -1;
    const bool agreed = QTest::qWaitFor(
        [&] {
            const QImage screen = onScreen(m);
            apart = differingPixels(screen, grabView(m));
            if (shown)
                *shown = screen;
            return apart == 0;
        },
        2000);
    return agreed ? 0 : apart;
}

} // namespace memotest
