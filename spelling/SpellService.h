#pragma once

#include "document/PageWatcher.h"
#include "spelling/core/DictionaryList.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QTimer;
class TColorMemo;

namespace spelling {
class TDictionary;
class TSpellChecker;
class TSpellWorker;
} // namespace spelling

// Spelling while typing for one editor: the chosen language's dictionary (loaded off the
// user-interface thread), the underlines of the visible lines, the sweep of the rest of the page
// by the worker, the context menu's suggestions, "Add to Dictionary" and "Ignore All", and the
// Settings menu's "Check Spelling" and "Spelling Language".
class TSpellService : public QObject {
    Q_OBJECT
public:
    // folders: where dictionaries are looked for (see spelling::dictionaryFolders); wordFolder:
    // where the author's own words are kept.
    TSpellService(TColorMemo& memo, const std::vector<std::string>& folders, std::string wordFolder,
                  QObject* parent = nullptr);
    ~TSpellService() override;

    const std::vector<spelling::TDictionaryInfo>& dictionaries() const { return dictionaries_; }
    // The chosen dictionary's tag; empty with no dictionary installed.
    QString language() const { return QString::fromStdString(tag_); }
    // Chooses a dictionary (an unknown tag is ignored) and checks the page again with it. A guess
    // under way is given up.
    void setLanguage(const QString& tag);
    // Guesses the page's language off the user-interface thread: the installed dictionary that
    // knows most of its first words (see spelling::mostKnown) is chosen once the answer is in,
    // unless a language was chosen meanwhile. Nothing changes when no dictionary knows them.
    void guessLanguage();
    bool guessing() const { return guessing_; }
    void cancelGuess();
    // The tag to start with when none was stored: see spelling::defaultTag.
    QString defaultLanguage(const QString& locale) const;
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);

    // "Check &Spelling" (Shift+F7) and the "Spelling &Language" submenu.
    QAction* checkAction() const { return check_; }
    QMenu* languageMenu() const { return languages_; }

    // True once the chosen dictionary is loaded and spelling is on.
    bool ready() const;
    // Waits until the worker has nothing to do and its results are in (tests, benchmarks).
    void waitIdle();

    // Told what the author should know (a dictionary that cannot be read, a word not stored).
    std::function<void(const QString&)> note;
    // The longest the context menu waits for suggestions, in milliseconds.
    int suggestionWait = 1000;

signals:
    // The worker's results for the words in view are in (after the underlines were refreshed).
    void checked();
    // A dictionary is loaded and in use.
    void languageReady();
    // A guess came to its end (tag empty: nothing was chosen).
    void languageGuessed(const QString& tag);

private:
    void load();
    void useChecker(std::shared_ptr<spelling::TSpellChecker> checker, unsigned generation);
    void startSweep();
    void sweepStep();
    void fillMenu(QMenu* menu, int position);
    void updateFinder();

    TColorMemo& memo_;
    bool memoGone_ = false;
    std::vector<spelling::TDictionaryInfo> dictionaries_;
    std::string wordFolder_;
    std::string tag_;
    bool enabled_ = false;
    unsigned generation_ = 0;
    std::shared_ptr<spelling::TSpellChecker> checker_;
    std::mutex loadedMutex_;
    std::map<std::string, std::shared_ptr<const spelling::TDictionary>> loaded_;
    std::unordered_set<std::string> pending_; ///< words handed to the worker, not back yet
    QAction* check_ = nullptr;
    QMenu* languages_ = nullptr;
    QActionGroup* languageGroup_ = nullptr;
    QTimer* sweepTimer_ = nullptr;
    int sweepBlock_ = -1; ///< the next block the sweep reads; -1: no sweep
    std::unique_ptr<spelling::TSpellWorker> worker_;
    bool guessing_ = false;
    unsigned guessGeneration_ = 0;
    std::shared_ptr<std::atomic<bool>> guessCancelled_;
    std::unique_ptr<spelling::TSpellWorker> guesser_; ///< language guesses: long, never dropped
    std::unique_ptr<TPageWatch> pageWatch_;
};
