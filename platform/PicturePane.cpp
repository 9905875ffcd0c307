#include "platform/PicturePane.h"

#include "platform/PicturePreview.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

constexpr int kPreviewSide = 200;

} // namespace

TPicturePane::TPicturePane(QWidget* parent) : QFrame(parent) {
    setObjectName("PicturePane");
    setFrameShape(QFrame::StyledPanel);
    setMinimumWidth(kPreviewSide + 20);
    picture_ = new QLabel(this);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setMinimumSize(kPreviewSide, kPreviewSide);
    picture_->setWordWrap(true);
    caption_ = new QLabel(this);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture_, 1);
    layout->addWidget(caption_);
}

void TPicturePane::showFile(const QString& path) {
    const TPicturePreview preview = loadPicturePreview(path, kPreviewSide);
    image_ = preview.image;
    if (image_.isNull()) {
        picture_->setPixmap(QPixmap());
        picture_->setText(preview.note);
        caption_->clear();
        return;
    }
    picture_->setText(QString());
    caption_->setText(
        QString("%1 x %2").arg(preview.fullSize.width()).arg(preview.fullSize.height()));
    updatePixmap();
}

QString TPicturePane::note() const {
    return image_.isNull() ? picture_->text() : QString();
}

void TPicturePane::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    updatePixmap();
}

void TPicturePane::updatePixmap() {
    if (image_.isNull())
        return;
    const QSize box = picture_->contentsRect().size();
    QImage shown = image_;
    if (shown.width() > box.width() || shown.height() > box.height())
        shown = shown.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    picture_->setPixmap(QPixmap::fromImage(shown));
}
