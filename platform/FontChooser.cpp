#include "platform/FontChooser.h"

#include "platform/QtColors.h"
#include "platform/QtFonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

struct TChoice {
    const char* name;
    TColor value;
};

// The sixteen colours the font dialog offers, named as the toolkit names them.
const TChoice kChoices[] = {
    {"Noir", colors::clBlack},    {"Bordeaux", colors::clMaroon},  {"Vert", colors::clGreen},
    {"Olive", colors::clOlive},   {"Bleu marine", colors::clNavy}, {"Violet", colors::clPurple},
    {"Sarcelle", colors::clTeal}, {"Gris", colors::clGray},        {"Argent", colors::clSilver},
    {"Rouge", colors::clRed},     {"Citron vert", colors::clLime}, {"Jaune", colors::clYellow},
    {"Bleu", colors::clBlue},     {"Fuchsia", colors::clFuchsia},  {"Aqua", colors::clAqua},
    {"Blanc", colors::clWhite},
};

QIcon swatch(const QColor& color) {
    QPixmap pixmap(24, 12);
    pixmap.fill(color);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    return QIcon(pixmap);
}

// The effects group of the font chooser: the group box that holds its check boxes.
QGroupBox* effectsGroup(QFontDialog* dialog) {
    for (QGroupBox* group : dialog->findChildren<QGroupBox*>())
        if (!group->findChildren<QCheckBox*>().isEmpty())
            return group;
    return nullptr;
}

} // namespace

TFontChooser::TFontChooser(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Police");
    fonts_ = new QFontDialog(this);
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setSizeGripEnabled(false);

    colors_ = new QComboBox(this);
    colors_->setObjectName("FontColor");
    for (const TChoice& c : kChoices)
        colors_->addItem(swatch(toQColor(c.value, palette())), c.name, QVariant(c.value));
    auto* colorLabel = new QLabel("&Couleur :", this);
    colorLabel->setBuddy(colors_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_);
    if (QGroupBox* effects = effectsGroup(fonts_); effects && effects->layout()) {
        effects->layout()->addWidget(colorLabel);
        effects->layout()->addWidget(colors_);
    } else {
        layout->addWidget(colorLabel);
        layout->addWidget(colors_);
    }
    for (QGroupBox* group : fonts_->findChildren<QGroupBox*>())
        if (group != effectsGroup(fonts_))
            if (QLineEdit* edit = group->findChild<QLineEdit*>())
                sample_ = edit;

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(colors_, &QComboBox::currentIndexChanged, this, [this] { showColorInSample(); });
    fonts_->setVisible(true);
}

void TFontChooser::setFontAttributes(const TFontAttributes& font) {
    fonts_->setCurrentFont(toQFont(font));

    // A colour that is none of the sixteen gets an entry of its own.
    while (colors_->count() > int(std::size(kChoices)))
        colors_->removeItem(colors_->count() - 1);
    const QColor shown = toQColor(font.color, palette());
    givenIndex_ = -1;
    for (int i = 0; i < colors_->count(); ++i)
        if (toQColor(colors_->itemData(i).toUInt(), palette()) == shown) {
            givenIndex_ = i;
            break;
        }
    if (givenIndex_ < 0) {
        colors_->addItem(swatch(shown), "Personnalisée", QVariant(font.color));
        givenIndex_ = colors_->count() - 1;
    }
    givenColor_ = font.color;
    colors_->setCurrentIndex(givenIndex_);
    showColorInSample();
}

TFontAttributes TFontChooser::fontAttributes() const {
    TFontAttributes font;
    ::setFontAttributes(font, fonts_->currentFont());
    const int index = colors_->currentIndex();
    font.color = index == givenIndex_ ? givenColor_ : colors_->itemData(index).toUInt();
    return font;
}

void TFontChooser::showColorInSample() {
    if (!sample_)
        return;
    QPalette p = sample_->palette();
    p.setColor(QPalette::Text, toQColor(colors_->currentData().toUInt(), palette()));
    sample_->setPalette(p);
}
