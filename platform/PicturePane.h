#pragma once

#include <QFrame>
#include <QImage>

class QLabel;

// The preview pane of the picture dialog: the selected picture scaled to fit, with its size, or a
// note. The picture is read when the selection changes, never while painting.
class TPicturePane : public QFrame {
    Q_OBJECT
public:
    explicit TPicturePane(QWidget* parent = nullptr);

    // Shows the file at path (an empty path or a folder clears the pane).
    void showFile(const QString& path);

    const QImage& image() const { return image_; }
    QString note() const;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void updatePixmap();

    QLabel* picture_;
    QLabel* caption_;
    QImage image_;
};
