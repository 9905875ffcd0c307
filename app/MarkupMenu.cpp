// The Markup menu: every markup command of the toolbar within reach of the keyboard. Each item runs
// its toolbar control's own command; the colours and the actions are listed from the tables that
// fill the toolbar's boxes.
#include "app/Unit1.h"

#include "app/DocumentCommands.h"
#include "markup/LpColorComboBox.h"
#include "markup/LpComboBox.h"
#include "markup/LpSpinEdit.h"
#include "markup/core/Actions.h"
#include "markup/core/PageMarkup.h"

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

void TForm1::runOnPage(void (TForm1::*handler)()) {
    runCommand([this, handler] {
        document_->finishLoading();
        (this->*handler)();
    });
}

void TForm1::createMarkupMenu() {
    Markup1 = new QMenu("&Markup", this);
    Markup1->setObjectName("Markup1");
    // Right after Edit, whatever menus follow it.
    const QList<QAction*> menus = menuBar()->actions();
    const qsizetype edit = menus.indexOf(Edition1->menuAction());
    menuBar()->insertMenu(menus.value(edit + 1, Options1->menuAction()), Markup1);

    // A toolbar button's command, with its image, under a caption of the menu and a shortcut.
    auto item = [this](QAction* button, const QString& caption, const char* keys) {
        QAction* a = Markup1->addAction(button->icon(), caption);
        a->setObjectName("Markup" + button->objectName());
        a->setShortcut(QKeySequence(QString::fromLatin1(keys)));
        connect(a, &QAction::triggered, button, &QAction::trigger);
    };
    item(BoldBut, "&Bold", "Ctrl+B");
    item(ItalBut, "&Italic", "Ctrl+I");
    item(UnderlineBut, "&Underlined", "Ctrl+U");
    item(StrikeBut, "Stri&keout", "Ctrl+Shift+X");
    item(InvertBut, "I&nverse Video", "Ctrl+Shift+R");
    item(CenterBut, "C&enter", "Ctrl+E");
    item(TabBut, "&Tab", "Ctrl+T");
    Markup1->addSeparator();

    // The size box's command, showing the size it writes; Enter in the box does the same.
    MarkupFontSize1 = Markup1->addAction(QString());
    MarkupFontSize1->setObjectName("MarkupFontSize1");
    MarkupFontSize1->setShortcut(QKeySequence("Ctrl+Shift+G"));
    auto showSize = [this] {
        MarkupFontSize1->setText(QStringLiteral("&Font Size: %1").arg(SpinEdit1->text()));
    };
    showSize();
    connect(SpinEdit1->editor(), &QLineEdit::textChanged, MarkupFontSize1, showSize);
    connect(MarkupFontSize1, &QAction::triggered, this,
            [this] { runOnPage(&TForm1::SpinEdit1DblClick); });
    connect(SpinEdit1, &TLpSpinEdit::entered, this,
            [this] { runOnPage(&TForm1::SpinEdit1DblClick); });

    // The colour box's colours: choosing one is choosing it in the box.
    MarkupColor1 = Markup1->addMenu("Font &Color");
    MarkupColor1->setObjectName("MarkupColor1");
    for (int n = 0; n < markup::kPageColorCount; ++n) {
        QAction* a = MarkupColor1->addAction(pageColorSwatch(n, palette()), pageColorMenuText(n));
        connect(a, &QAction::triggered, this, [this, n] {
            LpColorComboBox1->setCurrentIndex(n);
            runOnPage(&TForm1::LpColorComboBox1Select);
        });
    }
    item(ToolButton1, "&Variable", "Ctrl+Shift+B");
    Markup1->addSeparator();
    item(TargetBut, "Tar&get", "Ctrl+Shift+M");
    item(LinkBut, "&Link To Target", "Ctrl+Shift+L");

    // The action box's actions: choosing one is using it in the box, assistants included.
    MarkupAction1 = Markup1->addMenu("&Action");
    MarkupAction1->setObjectName("MarkupAction1");
    for (int i = 0; i < actions::kActionCount; ++i) {
        const std::string_view name = actions::actionAt(i).item;
        QString caption = QString::fromUtf8(name.data(), qsizetype(name.size()));
        QAction* a = MarkupAction1->addAction(u'&' + caption.replace(u'&', QStringLiteral("&&")));
        connect(a, &QAction::triggered, this, [this, i] {
            LpComboBox1->setCurrentIndex(i);
            runOnPage(&TForm1::LpComboBox1DblClick);
        });
    }
}
