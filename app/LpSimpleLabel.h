#pragma once

#include <QColor>
#include <QWidget>

// A one-line label that can draw its caption in a 3-D style: sunken (light below right, shadow
// above left, like text pressed into the surface), raised (the other way round) or flat. Light and
// shadow are one pixel deep.
class TLpSimpleLabel : public QWidget {
    Q_OBJECT
public:
    enum TTextStyle { tsNone, tsRaised, tsSunken };

    explicit TLpSimpleLabel(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    TTextStyle TextStyle() const { return style_; }
    void SetTextStyle(TTextStyle style);
    QColor LightColor() const { return light_; }
    void SetLightColor(const QColor& color);
    QColor ShadowColor() const { return shadow_; }
    void SetShadowColor(const QColor& color);

    // The caption's own size plus the one-pixel light and shadow around it.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString caption_;
    TTextStyle style_ = tsNone;
    QColor light_;
    QColor shadow_;
};
