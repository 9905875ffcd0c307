#pragma once

#include <QObject>

class TColorMemo;

// French typing: ":", ";", "!" or "?" typed right after a word gets a no-break space before it;
// "«" one after it and "»" one before it. Typed as French typists type them, after a plain space
// (or, for "«", followed by one), that space becomes the no-break one, or stands for the one
// following "«". The space goes in as its own undo step after the typed character, so that one
// Ctrl+Z takes it back and leaves the character. Not in action texts, where the characters belong
// to arguments and addresses.
class TFrenchSpacing : public QObject {
    Q_OBJECT
public:
    explicit TFrenchSpacing(TColorMemo* memo, QObject* parent = nullptr);

    void setEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TColorMemo* memo_;
    bool enabled_ = false;
};
