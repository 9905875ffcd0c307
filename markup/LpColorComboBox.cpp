#include "markup/LpColorComboBox.h"

#include "markup/core/PageMarkup.h"
#include "platform/QtColors.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QStylePainter>
#include <QStyledItemDelegate>

namespace {

// Swatches fill the item, inset by a margin that leaves the highlight of the current item visible.
void paintSwatch(QPainter& p, const QRect& r, const QColor& color, const QPalette& palette) {
    const QRect swatch = r.adjusted(2, 2, -2, -2);
    if (swatch.isEmpty())
        return;
    p.fillRect(swatch, color);
    p.setPen(palette.color(QPalette::WindowText));
    p.drawRect(swatch.adjusted(0, 0, -1, -1));
}

class TSwatchDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        p->save();
        const bool current = option.state & (QStyle::State_Selected | QStyle::State_MouseOver);
        p->fillRect(option.rect,
                    option.palette.color(current ? QPalette::Highlight : QPalette::Base));
        paintSwatch(*p, option.rect, index.data(Qt::DecorationRole).value<QColor>(),
                    option.palette);
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {24, 16};
    }
};

QString pageColorName(int number) {
    const std::string_view colour = markup::kPageColors[static_cast<size_t>(number)].colour;
    QString name = QString::fromLatin1(colour.data(), qsizetype(colour.size()));
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

} // namespace

QString pageColorLabel(int number) {
    return QStringLiteral("%1 %2").arg(number).arg(pageColorName(number));
}

QString pageColorMenuText(int number) {
    const QString digits = QString::number(number);
    return digits.chopped(1) + u'&' + digits.back() + QStringLiteral("  ") + pageColorName(number);
}

QIcon pageColorSwatch(int number, const QPalette& palette) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paintSwatch(p, pixmap.rect(),
                toQColor(markup::kPageColors[static_cast<size_t>(number)].value, palette), palette);
    return QIcon(pixmap);
}

TLpColorComboBox::TLpColorComboBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new TSwatchDelegate(this));
    for (int n = 0; n < markup::kPageColorCount; ++n) {
        addItem(QString());
        setItemData(n, toQColor(markup::kPageColors[static_cast<size_t>(n)].value, palette()),
                    Qt::DecorationRole);
        setItemData(n, pageColorLabel(n), Qt::ToolTipRole);
        setItemData(n, pageColorLabel(n), Qt::AccessibleTextRole);
    }
    setMaxVisibleItems(markup::kPageColorCount);
    setCurrentIndex(-1);
    connect(this, &QComboBox::activated, this, &TLpColorComboBox::chosen);
}

void TLpColorComboBox::chosen() {
    emit select();
    if (!stepping_)
        handFocus();
}

void TLpColorComboBox::handFocus() {
    if (focusControl_ && focusControl_->isEnabled())
        focusControl_->setFocus(Qt::OtherFocusReason);
}

void TLpColorComboBox::paintEvent(QPaintEvent*) {
    // The frame and the arrow as the style draws them; the chosen colour fills the edit field.
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    if (currentIndex() < 0)
        return;
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    paintSwatch(p, field, itemData(currentIndex(), Qt::DecorationRole).value<QColor>(), palette());
}

void TLpColorComboBox::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        e->accept();
        handFocus();
        return;
    default:
        break;
    }
    stepping_ = true;
    QComboBox::keyPressEvent(e);
    stepping_ = false;
}

void TLpColorComboBox::wheelEvent(QWheelEvent* e) {
    stepping_ = true;
    QComboBox::wheelEvent(e);
    stepping_ = false;
}
