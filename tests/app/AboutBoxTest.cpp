#include "app/About.h"
#include "app/LpSimpleLabel.h"
#include "app/Unit1.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {

// Runs `inside` once the about box is up, then shows it through the About command and returns
// the box's result. A box that is still open after five seconds is closed with -1 so that a
// broken key handling fails the test instead of hanging it.
int runAbout(TForm1& form, const std::function<void(TAboutBox*)>& inside) {
    TAboutBox* box = form.AboutBox;
    QTimer::singleShot(0, box, [box, inside] { inside(box); });
    QTimer::singleShot(5000, box, [box] {
        if (box->isVisible())
            box->done(-1);
    });
    form.APropos1Click();
    return box->result();
}

// Keys go where the author's keys go: to the widget with the focus inside the box.
void press(TAboutBox* box, Qt::Key key) {
    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    QTest::keyClick(target, key);
}

} // namespace

// What the author sees: a fixed box titled "A propos" whose texts show whole, inside the panel,
// one under the other, with the OK button centred beneath.
TEST(AboutBox, TextsShowWholeAndTheButtonIsCentredBelow) {
    TForm1 form;
    TAboutBox* box = form.AboutBox;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), &form);
    EXPECT_TRUE(box->isHidden());
    EXPECT_EQ(box->windowTitle(), "A propos");
    EXPECT_EQ(box->minimumSize(), box->maximumSize());
    EXPECT_FALSE(box->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(box->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(box->windowFlags() & Qt::WindowCloseButtonHint);

    const QRect panel = box->Panel1->geometry();
    EXPECT_TRUE(box->rect().contains(panel));
    EXPECT_EQ(box->LpSimpleLabel2->parentWidget(), box->Panel1);
    EXPECT_EQ(box->LpSimpleLabel2->Caption(), "LARK PAD");
    EXPECT_EQ(box->LpSimpleLabel2->TextStyle(), TLpSimpleLabel::tsSunken);
    EXPECT_EQ(box->LpSimpleLabel2->LightColor(), QColor(Qt::yellow));
    EXPECT_EQ(box->Version->text(), "Version 1.0");

    // Both texts fit their labels, the title in a bold font larger than the version's.
    const QRect title = box->LpSimpleLabel2->geometry();
    const QRect version = box->Version->geometry();
    const QFontMetrics titleMetrics(box->LpSimpleLabel2->font());
    EXPECT_TRUE(box->LpSimpleLabel2->font().bold());
    EXPECT_GT(titleMetrics.height(), box->Version->fontMetrics().height());
    EXPECT_GE(title.width(), titleMetrics.horizontalAdvance("LARK PAD"));
    EXPECT_GE(title.height(), titleMetrics.height());
    EXPECT_GE(version.width(), box->Version->fontMetrics().horizontalAdvance("Version 1.0"));
    EXPECT_GE(version.height(), box->Version->fontMetrics().height());
    // Inside the panel (whose coordinates they use), the version under the title, both centred.
    const QRect inside(QPoint(0, 0), panel.size());
    EXPECT_TRUE(inside.contains(title));
    EXPECT_EQ(box->Version->parentWidget(), box->Panel1);
    EXPECT_TRUE(inside.contains(version));
    EXPECT_GE(version.top(), title.bottom());
    EXPECT_LE(std::abs(title.center().x() - version.center().x()), 1);

    const QRect ok = box->OKButton->geometry();
    EXPECT_EQ(box->OKButton->text(), "OK");
    EXPECT_TRUE(box->OKButton->isDefault());
    EXPECT_TRUE(box->rect().contains(ok));
    EXPECT_GT(ok.top(), panel.bottom());
    EXPECT_LE(std::abs(ok.center().x() - box->rect().center().x()), 1);
}

TEST(AboutBox, ModalCentredAndClosedByEnterNotByEsc) {
    TForm1 form;
    form.show();
    bool modal = false, centred = false, openAfterEsc = false;
    const int result = runAbout(form, [&](TAboutBox* box) {
        modal = box->isVisible() && QApplication::activeModalWidget() == box;
        const QPoint screenCentre = box->screen()->geometry().center();
        centred = (box->frameGeometry().center() - screenCentre).manhattanLength() <= 2;
        press(box, Qt::Key_Escape);
        openAfterEsc = box->isVisible();
        press(box, Qt::Key_Return);
    });
    EXPECT_TRUE(modal);
    EXPECT_TRUE(centred);
    EXPECT_TRUE(openAfterEsc);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(form.AboutBox->isHidden());
}

TEST(AboutBox, OkButtonClosesAndTheSameBoxComesBack) {
    TForm1 form;
    form.show();
    QPointer<TAboutBox> first = form.AboutBox;
    int result =
        runAbout(form, [](TAboutBox* box) { QTest::mouseClick(box->OKButton, Qt::LeftButton); });
    EXPECT_EQ(result, QDialog::Accepted);
    ASSERT_FALSE(first.isNull()) << "the box must only be hidden, never destroyed";
    EXPECT_TRUE(first->isHidden());

    bool shownAgain = false;
    result = runAbout(form, [&](TAboutBox* box) {
        shownAgain = box == first && box->isVisible();
        press(box, Qt::Key_Enter);
    });
    EXPECT_TRUE(shownAgain);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(form.AboutBox, first.data());
}

TEST(AboutBox, CloseButtonClosesToo) {
    TForm1 form;
    form.show();
    const int result = runAbout(form, [](TAboutBox* box) { box->close(); });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(form.AboutBox->isHidden());
}

TEST(AboutBox, TitleIsDrawnSunkenWithYellowLight) {
    TLpSimpleLabel label;
    QFont f = label.font();
    f.setPixelSize(24);
    f.setBold(true);
    label.setFont(f);
    label.SetCaption("LARK PAD");
    label.SetTextStyle(TLpSimpleLabel::tsSunken);
    label.SetLightColor(Qt::yellow);
    label.SetShadowColor(QColor(128, 128, 128));
    QPalette pal = label.palette();
    pal.setColor(QPalette::Window, QColor(0, 160, 0));
    pal.setColor(QPalette::WindowText, Qt::black);
    label.setPalette(pal);
    label.setAutoFillBackground(true);
    label.resize(160, 40);
    const QImage img = label.grab().toImage();

    // Bounding boxes of the three colours: light peeks out below right of the text, shadow above
    // left, each by one pixel (two where anti-aliasing blurs the text's own edge).
    QRect text, light, shadow;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            const QRect px(x, y, 1, 1);
            if (c.red() < 40 && c.green() < 40 && c.blue() < 40)
                text |= px;
            else if (c.red() > 220 && c.green() > 220 && c.blue() < 60)
                light |= px;
            else if (qAbs(c.red() - 128) < 12 && qAbs(c.green() - 128) < 12 &&
                     qAbs(c.blue() - 128) < 12)
                shadow |= px;
        }
    ASSERT_FALSE(text.isEmpty());
    ASSERT_FALSE(light.isEmpty());
    ASSERT_FALSE(shadow.isEmpty());
    auto oneOrTwo = [](int outside) { return outside >= 1 && outside <= 2; };
    EXPECT_PRED1(oneOrTwo, light.right() - text.right());
    EXPECT_PRED1(oneOrTwo, light.bottom() - text.bottom());
    EXPECT_PRED1(oneOrTwo, text.left() - shadow.left());
    EXPECT_PRED1(oneOrTwo, text.top() - shadow.top());
    // Nothing of the light shows above left, nothing of the shadow below right.
    EXPECT_GE(light.left(), text.left());
    EXPECT_GE(light.top(), text.top());
    EXPECT_LE(shadow.right(), text.right());
    EXPECT_LE(shadow.bottom(), text.bottom());
}
