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

TEST(AboutBox, LaidOutAsDesigned) {
    TForm1 form;
    TAboutBox* box = form.AboutBox;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), &form);
    EXPECT_TRUE(box->isHidden());
    EXPECT_EQ(box->windowTitle(), "A propos");
    EXPECT_EQ(box->size(), QSize(251, 161));
    EXPECT_EQ(box->minimumSize(), box->maximumSize());
    EXPECT_FALSE(box->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(box->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(box->windowFlags() & Qt::WindowCloseButtonHint);

    EXPECT_EQ(box->Panel1->geometry(), QRect(9, 8, 233, 113));
    EXPECT_EQ(box->LpSimpleLabel2->parentWidget(), box->Panel1);
    EXPECT_EQ(box->LpSimpleLabel2->Caption(), "LARK PAD");
    EXPECT_EQ(box->LpSimpleLabel2->TextStyle(), TLpSimpleLabel::tsSunken);
    EXPECT_EQ(box->LpSimpleLabel2->LightColor(), QColor(Qt::yellow));
    EXPECT_TRUE(box->LpSimpleLabel2->font().bold());
    EXPECT_EQ(box->LpSimpleLabel2->font().pixelSize(), 24);
    // Labels keep their laid-out top, height and centre; a wider font only widens them.
    const QRect title = box->LpSimpleLabel2->geometry();
    EXPECT_EQ(title.top(), 8);
    EXPECT_EQ(title.height(), 33);
    EXPECT_EQ(title.left() + title.right(), 48 + 48 + 137 - 1);
    EXPECT_GE(title.width(), 137);
    EXPECT_EQ(box->Version->text(), "Version 1.0");
    const QRect version = box->Version->geometry();
    EXPECT_EQ(version.top(), 44);
    EXPECT_EQ(version.height(), 13);
    EXPECT_EQ(version.left() + version.right(), 90 + 90 + 53 - 1);
    EXPECT_GE(version.width(), box->Version->fontMetrics().horizontalAdvance("Version 1.0"));

    EXPECT_EQ(box->OKButton->geometry(), QRect(88, 128, 75, 25));
    EXPECT_EQ(box->OKButton->text(), "OK");
    EXPECT_TRUE(box->OKButton->isDefault());
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
