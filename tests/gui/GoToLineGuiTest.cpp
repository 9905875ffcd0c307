// The real Go To Line box: it refuses line numbers outside the page in the box itself.
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "tests/support/FakePrompts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(GoToLineGui, TheBoxRefusesLinesOutsideThePage) {
    lptest::FakePrompts prompts;
    TForm1 form(TForm1Services{&prompts});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::setActiveWindow(&form);
    QStringList lines;
    for (int i = 1; i <= 600; ++i)
        lines << QString("line %1").arg(i);
    form.Clm1->SetText(lines.join("\r\n"));
    form.Clm1->setFocus();

    bool okAt0 = true, okAt500 = false;
    QString label, typed601;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!box)
            return;
        label = box->labelText();
        auto* spin = box->findChild<QSpinBox*>();
        QPushButton* ok = box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        const auto typed = [&](const char* text) {
            spin->selectAll();
            QTest::keyClicks(spin, text);
            return ok->isEnabled();
        };
        okAt0 = typed("0");
        QTest::keyClick(spin, Qt::Key_Return); // refused: the box stays
        typed("601");                          // the last digit does not go in
        typed601 = spin->text();
        okAt500 = typed("500");
        QTest::keyClick(spin, Qt::Key_Return);
    });
    QTest::keyClick(form.Clm1, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(label, "Line number (1 - 600):");
    EXPECT_FALSE(okAt0);
    EXPECT_EQ(typed601, "60");
    EXPECT_TRUE(okAt500);
    EXPECT_EQ(form.Clm1->textCursor().blockNumber(), 499);
    form.Clm1->SetModified(false);
}
