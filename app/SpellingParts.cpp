// Spelling while typing in the main window: the service over the editor, its items in Settings,
// and what it keeps in the settings store.
#include "app/Unit1.h"

#include "editor/ColMemo.h"
#include "settings/LpIniCtrl.h"
#include "settings/PagePositions.h"
#include "settings/SettingsKeys.h"
#include "spelling/SpellService.h"
#include "spelling/core/WordList.h"

#include <QLocale>
#include <QMenu>

void TForm1::createSpelling() {
    Spelling1 = new TSpellService(
        *Clm1,
        spelling::dictionaryFolders(
            qgetenv("XDG_DATA_DIRS").constData(),
            qEnvironmentVariableIsSet("DICPATH") ? qgetenv("DICPATH").constData() : nullptr),
        spelling::wordFolder(qgetenv("XDG_DATA_HOME").constData(), qgetenv("HOME").constData()),
        this);
    Spelling1->note = [this](const QString& text) { showNote(text, 10000); };
    Options1->addSeparator();
    Options1->addAction(Spelling1->checkAction());
    Options1->addMenu(Spelling1->languageMenu());
}

void TForm1::readSpellingSettings() {
    using namespace settingsKeys;
    // Spelling starts in the stored language, else in the desktop's; it is on at first start when
    // a dictionary is installed.
    QString language = RegCtrl1->ReadString(kSection, kSpellLanguage, QString());
    if (!spelling::findTag(Spelling1->dictionaries(), language.toStdString()))
        language = Spelling1->defaultLanguage(QLocale::system().name());
    Spelling1->setLanguage(language);
    Spelling1->setEnabled(RegCtrl1->ReadBool(kSection, kSpellCheck, !language.isEmpty()));
}

void TForm1::writeSpellingSettings() {
    using namespace settingsKeys;
    RegCtrl1->WriteBool(kSection, kSpellCheck, Spelling1->enabled());
    if (!Spelling1->language().isEmpty())
        RegCtrl1->WriteString(kSection, kSpellLanguage, Spelling1->language());
}

void TForm1::choosePageLanguage(const QString& path) {
    const std::optional<TPagePosition> kept = positions_->find(path);
    if (kept && spelling::findTag(Spelling1->dictionaries(), kept->language.toStdString()))
        Spelling1->setLanguage(kept->language);
    else
        Spelling1->guessLanguage();
}

QString TForm1::pageLanguage(const QString& path) const {
    if (!Spelling1->guessing())
        return Spelling1->language();
    // Left before the guess came in: what was kept of the page, if anything.
    const std::optional<TPagePosition> kept = positions_->find(path);
    return kept ? kept->language : QString();
}
