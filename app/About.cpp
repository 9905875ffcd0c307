#include "app/About.h"

#include "app/LpSimpleLabel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace {

// A panel with a lowered outer and a raised inner bevel, one pixel each: a ridge that stands in a
// groove around the panel's contents.
class TBevelPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QColor light = palette().color(QPalette::Light);
        const QColor shadow = palette().color(QPalette::Dark);
        auto bevel = [&p](QRect r, const QColor& topLeft, const QColor& bottomRight) {
            p.setPen(topLeft);
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(bottomRight);
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        };
        bevel(rect(), shadow, light);                        // outer, lowered
        bevel(rect().adjusted(1, 1, -1, -1), light, shadow); // inner, raised
    }
};

// Places a label at its laid-out position. The layout was made for a font whose text fitted the
// given width exactly; a wider font widens the label about the same centre instead of cutting
// the text off.
void placeCentred(QWidget* w, const QRect& design, int textWidth) {
    QRect r = design;
    if (textWidth > r.width()) {
        const int grow = textWidth - r.width();
        r.adjust(-grow / 2, 0, grow - grow / 2, 0);
    }
    w->setGeometry(r);
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("AboutBox");
    setWindowTitle("A propos");
    setFixedSize(251, 161);
    setSizeGripEnabled(false);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    QFont boxFont(QStringLiteral("MS Sans Serif"));
    boxFont.setStyleHint(QFont::SansSerif);
    boxFont.setPixelSize(11);
    setFont(boxFont);

    Panel1 = new TBevelPanel(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(9, 8, 233, 113);

    LpSimpleLabel2 = new TLpSimpleLabel(Panel1);
    LpSimpleLabel2->setObjectName("LpSimpleLabel2");
    QFont titleFont(QStringLiteral("MS Sans Serif"));
    titleFont.setStyleHint(QFont::SansSerif);
    titleFont.setPixelSize(24);
    titleFont.setBold(true);
    LpSimpleLabel2->setFont(titleFont);
    LpSimpleLabel2->SetCaption("LARK PAD");
    LpSimpleLabel2->SetTextStyle(TLpSimpleLabel::tsSunken);
    LpSimpleLabel2->SetLightColor(Qt::yellow);
    LpSimpleLabel2->SetShadowColor(palette().color(QPalette::Dark));
    placeCentred(LpSimpleLabel2, QRect(48, 8, 137, 33), LpSimpleLabel2->sizeHint().width());

    Version = new QLabel("Version 1.0", Panel1);
    Version->setObjectName("Version");
    Version->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeCentred(Version, QRect(90, 44, 53, 13),
                 Version->fontMetrics().horizontalAdvance(Version->text()));

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(88, 128, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Centred on the screen at every showing, not over the main window.
    if (QScreen* s = screen()) {
        QRect r = frameGeometry();
        r.moveCenter(s->geometry().center());
        move(r.topLeft());
    }
}

void TAboutBox::keyPressEvent(QKeyEvent* e) {
    // A dialog closes on Esc by default; this one has no cancel button, so Esc is ignored.
    if (e->matches(QKeySequence::Cancel) || e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}
