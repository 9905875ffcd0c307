#include "app/LpSimpleLabel.h"

#include <QPainter>

TLpSimpleLabel::TLpSimpleLabel(QWidget* parent)
    : QWidget(parent), light_(palette().color(QPalette::Light)),
      shadow_(palette().color(QPalette::Dark)) {}

void TLpSimpleLabel::SetCaption(const QString& caption) {
    caption_ = caption;
    updateGeometry();
    update();
}

void TLpSimpleLabel::SetTextStyle(TTextStyle style) {
    style_ = style;
    update();
}

void TLpSimpleLabel::SetLightColor(const QColor& color) {
    light_ = color;
    update();
}

void TLpSimpleLabel::SetShadowColor(const QColor& color) {
    shadow_ = color;
    update();
}

QSize TLpSimpleLabel::sizeHint() const {
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(caption_) + 2, fm.height() + 2);
}

void TLpSimpleLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    // Centred, so that a font a little wider or narrower than the one the box was laid out for
    // keeps the caption in the middle of the panel.
    const QRect box = rect().adjusted(1, 1, -1, -1);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    if (style_ != tsNone) {
        // Sunken: light falls from below right onto the edge of a groove, the upper left edge
        // lies in shadow. Raised is the mirror image.
        const int d = style_ == tsSunken ? 1 : -1;
        p.setPen(light_);
        p.drawText(box.translated(d, d), flags, caption_);
        p.setPen(shadow_);
        p.drawText(box.translated(-d, -d), flags, caption_);
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(box, flags, caption_);
}
