#include "platform/FontChooser.h"

#include "platform/QtColors.h"
#include "platform/QtFonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
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

// The toolkit's font chooser, embedded in our dialog. On its own it would take Esc (closing itself
// and leaving an empty frame), Enter in its lists (the same) and Enter in its size field (doing
// nothing): each of them answers for the whole dialog instead.
class TEmbeddedFontDialog : public QFontDialog {
public:
    using QFontDialog::QFontDialog;

    void done(int result) override {
        if (auto* outer = qobject_cast<QDialog*>(parentWidget()))
            outer->done(result);
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
            done(QDialog::Accepted);
            return;
        }
        QFontDialog::keyPressEvent(e); // Esc: reject(), which comes to done()
    }
};

// The effects group of the font chooser: the group box that holds its check boxes.
QGroupBox* effectsGroup(QFontDialog* dialog) {
    for (QGroupBox* group : dialog->findChildren<QGroupBox*>())
        if (!group->findChildren<QCheckBox*>().isEmpty())
            return group;
    return nullptr;
}

// The family's style with this weight and slant: the one the font matching itself picks (of normal
// width), else the first that has them; empty when the family has none. An oblique style counts as
// slanted, as QFont::italic() counts it.
QString styleLike(const QString& family, QFont::Weight weight, bool italic) {
    auto fits = [&](const QString& style) {
        const QFont face = QFontDatabase::font(family, style, 12);
        return face.weight() == weight && face.italic() == italic;
    };
    const QStringList styles = QFontDatabase::styles(family);
    QFont probe(family);
    probe.setWeight(weight);
    probe.setItalic(italic);
    if (const QString matched = QFontInfo(probe).styleName();
        styles.contains(matched) && fits(matched))
        return matched;
    for (const QString& style : styles)
        if (fits(style))
            return style;
    return {};
}

} // namespace

TFontChooser::TFontChooser(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Police");
    fonts_ = new TEmbeddedFontDialog(this);
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
    connect(fonts_, &QFontDialog::currentFontChanged, this, &TFontChooser::keepStyleAcrossFamilies);
    fonts_->setVisible(true);
}

void TFontChooser::setFontAttributes(const TFontAttributes& font) {
    showFont(toQFont(font));
    rememberShownFont();

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

void TFontChooser::keepStyleAcrossFamilies(const QFont& font) {
    if (adjusting_)
        return;
    if (!family_.isEmpty() && font.family() != family_ &&
        (font.italic() != italic_ || font.weight() != weight_)) {
        QFont wanted = font;
        wanted.setWeight(weight_);
        wanted.setItalic(italic_);
        showFont(wanted);
    }
    rememberShownFont();
}

void TFontChooser::showFont(const QFont& font) {
    // The chooser finds a style by its name, and takes the family's first style when the name is
    // not there: "Regular" is "Book" in some families, and their first style may be "Oblique" or
    // "Italic". The style of the shown family with the font's weight and slant is named instead.
    adjusting_ = true;
    fonts_->setCurrentFont(font);
    const QFont shown = fonts_->currentFont();
    if (shown.italic() != font.italic() || shown.weight() != font.weight()) {
        const QString style = styleLike(shown.family(), font.weight(), font.italic());
        if (!style.isEmpty()) {
            QFont named = font;
            named.setFamily(shown.family());
            named.setStyleName(style);
            fonts_->setCurrentFont(named);
        }
    }
    adjusting_ = false;
}

void TFontChooser::rememberShownFont() {
    const QFont now = fonts_->currentFont();
    family_ = now.family();
    weight_ = now.weight();
    italic_ = now.italic();
}

void TFontChooser::showColorInSample() {
    if (!sample_)
        return;
    QPalette p = sample_->palette();
    p.setColor(QPalette::Text, toQColor(colors_->currentData().toUInt(), palette()));
    sample_->setPalette(p);
}
