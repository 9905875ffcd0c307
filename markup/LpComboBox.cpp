#include "markup/LpComboBox.h"

#include "markup/core/Actions.h"

#include <QPalette>

#include <QAbstractItemView>
#include <QApplication>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionComboBox>
#include <algorithm>

TLpComboBox::TLpComboBox(QWidget* parent) : QComboBox(parent) {
    for (int i = 0; i < actions::kActionCount; ++i)
        addItem(QString::fromUtf8(actions::actionAt(i).item.data(),
                                  qsizetype(actions::actionAt(i).item.size())));
    setPlaceholderText("Actions");
    // "Actions" is the box's caption, not a hint: shown in the ordinary text colour so that the
    // box does not look disabled before the first choice.
    QPalette p = palette();
    p.setColor(QPalette::PlaceholderText, p.color(QPalette::ButtonText));
    setPalette(p);
    setCurrentIndex(-1);
    setMaxVisibleItems(actions::kActionCount);
    connect(this, &QComboBox::activated, this, &TLpComboBox::onActivated);
    // The list opens on the first press of a double click and takes the second press, often on
    // the item drawn over the box; it is watched so that the double click still reaches the box.
    view()->window()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
}

void TLpComboBox::fitItems(int leastWidth, int height) {
    leastWidth_ = leastWidth;
    height_ = height;
    int text = 0;
    const QFontMetrics metrics = fontMetrics();
    for (int i = 0; i < count(); ++i)
        text = std::max(text, metrics.horizontalAdvance(itemText(i)));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QSize needed =
        style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(text, height), this);
    setFixedSize(std::max(leastWidth, needed.width()), height);
}

void TLpComboBox::changeEvent(QEvent* e) {
    QComboBox::changeEvent(e);
    if (leastWidth_ > 0 && e->type() == QEvent::FontChange)
        fitItems(leastWidth_, height_);
}

void TLpComboBox::onActivated(int index) {
    if (index == chosen_)
        return;
    chosen_ = index;
    emit select();
}

void TLpComboBox::mousePressEvent(QMouseEvent* e) {
    sincePress_.start();
    pressTimed_ = true;
    QComboBox::mousePressEvent(e);
}

void TLpComboBox::mouseDoubleClickEvent(QMouseEvent* e) {
    hidePopup();
    e->accept();
    emitDoubleClicked();
}

void TLpComboBox::emitDoubleClicked() {
    // The list can see the second press and the box the double click of the same gesture.
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    if (sinceDoubleClick_.isValid() && sinceDoubleClick_.elapsed() <= interval)
        return;
    sinceDoubleClick_.start();
    emit doubleClicked();
}

bool TLpComboBox::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
        auto* me = static_cast<QMouseEvent*>(e);
        const QPoint local = mapFromGlobal(me->globalPosition().toPoint());
        const bool quick =
            pressTimed_ &&
            sincePress_.elapsed() <= QGuiApplication::styleHints()->mouseDoubleClickInterval();
        if (me->button() == Qt::LeftButton && rect().contains(local) && quick) {
            pressTimed_ = false;
            hidePopup();
            emitDoubleClicked();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, e);
}
