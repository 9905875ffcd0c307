#include "spelling/SpellService.h"

#include "document/PageDocument.h"
#include "document/core/Cp1252.h"
#include "editor/ColMemo.h"
#include "spelling/core/Dictionary.h"
#include "spelling/core/LanguageGuess.h"
#include "spelling/core/SpellChecker.h"
#include "spelling/core/SpellWorker.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>

namespace {

// What the sweep hands the worker at a time, and how long one step of it may hold the
// user-interface thread.
constexpr int kSweepLines = 2000;
constexpr int kSweepStepMs = 4;
constexpr std::size_t kSweepAhead = 4; ///< batches waiting at most
constexpr int kSuggestions = 7;

std::string pageBytes(const QString& text) {
    std::string out(static_cast<size_t>(text.size()), '?');
    for (qsizetype k = 0; k < text.size(); ++k) {
        const int b = cp1252::fromUnicode(text[k].unicode());
        if (b >= 0)
            out[static_cast<size_t>(k)] = static_cast<char>(b);
    }
    return out;
}

QString fromPage(const std::string& bytes) {
    QString out(static_cast<qsizetype>(bytes.size()), QChar());
    cp1252::decode(bytes.data(), bytes.size(), reinterpret_cast<char16_t*>(out.data()));
    return out;
}

// A suggestion the page can hold, or nothing.
std::optional<QString> pageWord(const std::string& utf8) {
    const QString word = QString::fromUtf8(utf8);
    for (const QChar c : word)
        if (!cp1252::isEncodable(c.unicode()))
            return std::nullopt;
    return word;
}

} // namespace

TSpellService::TSpellService(TColorMemo& memo, const std::vector<std::string>& folders,
                             std::string wordFolder, QObject* parent)
    : QObject(parent), memo_(memo), dictionaries_(spelling::findDictionaries(folders)),
      wordFolder_(std::move(wordFolder)), worker_(std::make_unique<spelling::TSpellWorker>()) {
    check_ = new QAction("Check &Spelling", this);
    check_->setObjectName("SpellCheck1");
    check_->setCheckable(true);
    check_->setShortcut(QKeySequence("Shift+F7"));
    check_->setShortcutContext(Qt::WindowShortcut);
    connect(check_, &QAction::toggled, this, [this](bool on) { setEnabled(on); });
    // Asked for with nothing to check with: the author is told why nothing happens.
    connect(check_, &QAction::triggered, this, [this, folders](bool on) {
        if (!on || !dictionaries_.empty())
            return;
        setEnabled(false);
        QStringList where;
        for (const std::string& f : folders)
            where << QString::fromStdString(f);
        if (note)
            note(QStringLiteral("Spelling cannot be checked: no dictionary is installed. "
                                "Dictionaries (.aff and .dic files) are looked for in %1.")
                     .arg(where.join(", ")));
    });

    languages_ = new QMenu("Spelling &Language");
    languages_->setObjectName("SpellLanguage1");
    languageGroup_ = new QActionGroup(this);
    languageGroup_->setExclusive(true);
    if (dictionaries_.empty()) {
        languages_->addAction("No dictionary installed")->setEnabled(false);
    }
    for (const spelling::TDictionaryInfo& d : dictionaries_) {
        QAction* a = languages_->addAction(QString::fromStdString(d.label()));
        a->setCheckable(true);
        a->setData(QString::fromStdString(d.tag));
        languageGroup_->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] { setLanguage(a->data().toString()); });
    }

    sweepTimer_ = new QTimer(this);
    sweepTimer_->setSingleShot(true);
    connect(sweepTimer_, &QTimer::timeout, this, &TSpellService::sweepStep);
    // A page that has come in whole is swept from its start.
    pageWatch_ = std::make_unique<TPageWatch>(
        memo_.Page(), TPageWatch::TNotices{.loadState = [this](TPageLoadState s) {
            if (s == TPageLoadState::Idle)
                startSweep();
        }});
    memo_.OnContextMenu = [this](QMenu* menu, int position) { fillMenu(menu, position); };
    // A window's editor may go before its spelling does.
    connect(&memo_, &QObject::destroyed, this, [this] { memoGone_ = true; });
}

TSpellService::~TSpellService() {
    cancelGuess();
    guesser_.reset();
    worker_.reset(); // no job runs any more: none can call back
    if (!memoGone_) {
        memo_.OnContextMenu = nullptr;
        memo_.SpellMarks().setFinder({});
    }
    delete languages_;
}

bool TSpellService::ready() const {
    return enabled_ && checker_ != nullptr;
}

QString TSpellService::defaultLanguage(const QString& locale) const {
    return QString::fromStdString(spelling::defaultTag(dictionaries_, locale.toStdString()));
}

void TSpellService::setLanguage(const QString& tag) {
    const spelling::TDictionaryInfo* d = spelling::findTag(dictionaries_, tag.toStdString());
    if (!d)
        return;
    cancelGuess();
    for (QAction* a : languageGroup_->actions())
        a->setChecked(a->data().toString() == tag);
    if (d->tag == tag_ && (checker_ || !enabled_))
        return;
    tag_ = d->tag;
    load();
}

void TSpellService::cancelGuess() {
    ++guessGeneration_;
    guessing_ = false;
    if (guessCancelled_)
        guessCancelled_->store(true);
    guessCancelled_.reset();
}

void TSpellService::guessLanguage() {
    cancelGuess();
    if (dictionaries_.size() < 2)
        return;
    QTextBlock b = memo_.document()->begin();
    std::vector<std::string> words = spelling::firstWords([&b](std::string& line) {
        if (!b.isValid())
            return false;
        line = pageBytes(b.text());
        b = b.next();
        return true;
    });
    if (words.empty())
        return;
    if (!guesser_)
        guesser_ = std::make_unique<spelling::TSpellWorker>();
    guessing_ = true;
    guessCancelled_ = std::make_shared<std::atomic<bool>>(false);
    QPointer<TSpellService> self(this);
    guesser_->post(
        [this, self, generation = guessGeneration_, cancelled = guessCancelled_,
         dictionaries = dictionaries_, preferred = tag_, words = std::move(words)] {
            // Dictionaries loaded for the guess only are dropped, but for the one chosen.
            std::map<std::string, std::shared_ptr<const spelling::TDictionary>> tried;
            const std::string best = spelling::mostKnown(
                dictionaries, words, preferred,
                [&](const spelling::TDictionaryInfo& info)
                    -> std::shared_ptr<const spelling::TDictionary> {
                    {
                        std::lock_guard lock(loadedMutex_);
                        if (const auto it = loaded_.find(info.tag); it != loaded_.end())
                            return it->second;
                    }
                    try {
                        std::shared_ptr<const spelling::TDictionary> d =
                            spelling::loadDictionary(info.affPath);
                        tried[info.tag] = d;
                        return d;
                    } catch (const std::exception&) {
                        return nullptr;
                    }
                },
                cancelled.get());
            if (const auto it = tried.find(best); it != tried.end()) {
                std::lock_guard lock(loadedMutex_);
                loaded_.emplace(best, it->second);
            }
            QMetaObject::invokeMethod(
                self,
                [this, generation, best] {
                    if (generation != guessGeneration_)
                        return;
                    guessing_ = false;
                    const QString tag = QString::fromStdString(best);
                    if (!best.empty() && best != tag_)
                        setLanguage(tag);
                    emit languageGuessed(tag);
                },
                Qt::QueuedConnection);
        },
        true);
}

void TSpellService::setEnabled(bool on) {
    if (check_->isChecked() != on)
        check_->setChecked(on); // comes back here through toggled
    if (on == enabled_)
        return;
    enabled_ = on;
    if (on)
        load();
    else {
        ++generation_;
        checker_.reset();
        worker_->clear();
        sweepTimer_->stop();
        pending_.clear();
        updateFinder();
    }
}

// Loads the chosen dictionary and the author's words off the user-interface thread; the page is
// checked with them once they are in. Until then nothing is underlined.
void TSpellService::load() {
    const unsigned generation = ++generation_;
    checker_.reset();
    pending_.clear();
    sweepTimer_->stop();
    sweepBlock_ = -1;
    updateFinder();
    worker_->clear();
    const spelling::TDictionaryInfo* d = spelling::findTag(dictionaries_, tag_);
    if (!enabled_ || !d)
        return;
    QPointer<TSpellService> self(this);
    worker_->post(
        [this, self, generation, info = *d, words = wordFolder_ + "/" + tag_ + ".txt"] {
            std::shared_ptr<const spelling::TDictionary> dictionary;
            QString failure;
            {
                std::lock_guard lock(loadedMutex_);
                if (const auto it = loaded_.find(info.tag); it != loaded_.end())
                    dictionary = it->second;
            }
            if (!dictionary) {
                try {
                    dictionary = spelling::loadDictionary(info.affPath);
                    std::lock_guard lock(loadedMutex_);
                    loaded_[info.tag] = dictionary;
                } catch (const std::exception& e) {
                    failure =
                        QString::fromStdString(info.label()) + ": the dictionary cannot be read";
                }
            }
            std::shared_ptr<spelling::TSpellChecker> checker;
            if (dictionary) {
                spelling::TWordList own;
                own.load(words);
                checker = std::make_shared<spelling::TSpellChecker>(dictionary, std::move(own));
            }
            QMetaObject::invokeMethod(
                self,
                [this, checker, generation, failure] {
                    if (!failure.isEmpty() && note)
                        note(failure);
                    useChecker(checker, generation);
                },
                Qt::QueuedConnection);
        },
        true);
}

void TSpellService::useChecker(std::shared_ptr<spelling::TSpellChecker> checker,
                               unsigned generation) {
    if (generation != generation_ || !checker)
        return;
    checker_ = std::move(checker);
    updateFinder();
    startSweep();
    emit languageReady();
}

void TSpellService::updateFinder() {
    if (!checker_) {
        memo_.SpellMarks().setFinder({});
        return;
    }
    memo_.SpellMarks().setFinder(
        [this](const std::string& bytes, std::vector<TSpellMarks::TSpan>& out) {
            std::vector<spelling::TMistake> mistakes;
            std::vector<std::string> unknown;
            checker_->mistakes(bytes, mistakes, &unknown);
            for (const spelling::TMistake& m : mistakes)
                out.push_back({m.offset, m.end, m.joined});
            // The words in view that are not known yet go to the worker before the sweep's.
            std::vector<std::string> words;
            for (std::string& w : unknown)
                if (pending_.insert(w).second)
                    words.push_back(std::move(w));
            if (words.empty())
                return;
            QPointer<TSpellService> self(this);
            worker_->post(
                [self, checker = checker_, words = std::move(words)]() mutable {
                    std::vector<std::string> wrong;
                    for (const std::string& w : words)
                        if (!checker->check(w))
                            wrong.push_back(w);
                    QMetaObject::invokeMethod(
                        self,
                        [self, checker, words = std::move(words), wrong = std::move(wrong)] {
                            if (checker != self->checker_)
                                return;
                            for (const std::string& w : words)
                                self->pending_.erase(w);
                            // Right words change no underline: only the lines showing a
                            // wrong one repaint.
                            self->memo_.SpellMarks().refreshWords(wrong);
                            emit self->checked();
                        },
                        Qt::QueuedConnection);
                },
                true);
        });
}

void TSpellService::startSweep() {
    if (!checker_ || memo_.Page().loadState() != TPageDocument::TLoadState::Idle)
        return;
    sweepBlock_ = 0;
    sweepTimer_->start(0);
}

// One step of the sweep: the next blocks' text, as page bytes, to the worker, which keeps each
// word's result. Steps are short and wait while the worker is behind.
void TSpellService::sweepStep() {
    if (!checker_ || sweepBlock_ < 0)
        return;
    if (worker_->sweepWaiting() >= kSweepAhead) {
        sweepTimer_->start(10);
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QTextBlock b = memo_.document()->findBlockByNumber(sweepBlock_);
    std::vector<std::string> lines;
    while (b.isValid() && static_cast<int>(lines.size()) < kSweepLines &&
           (lines.size() % 64 != 0 || clock.elapsed() < kSweepStepMs)) {
        lines.push_back(pageBytes(b.text()));
        b = b.next();
    }
    sweepBlock_ += static_cast<int>(lines.size());
    if (!lines.empty())
        worker_->post(
            [checker = checker_, lines = std::move(lines)] { checker->checkLines(lines); }, false);
    if (b.isValid())
        sweepTimer_->start(0);
    else
        sweepBlock_ = -1;
}

void TSpellService::waitIdle() {
    for (;;) {
        worker_->waitIdle();
        QCoreApplication::sendPostedEvents(this);
        if (pending_.empty() && sweepBlock_ < 0 && worker_->sweepWaiting() == 0)
            return;
        if (sweepBlock_ >= 0)
            sweepStep();
    }
}

void TSpellService::fillMenu(QMenu* menu, int position) {
    if (!checker_)
        return;
    const std::optional<TSpellMarks::TSpan> span = memo_.SpellMarks().wordAt(position);
    if (!span)
        return;
    TPageDocument& page = memo_.Page();
    const int offset = page.offsetFromPosition(span->from);
    const int length = span->to - span->from;
    const QString shown = page.rawText(span->from, span->to);
    const std::string bytes = pageBytes(shown);
    // The word's letters: the codes inside left out.
    markup::TSpellSplitter splitter;
    splitter.split(bytes);
    if (splitter.words().empty())
        return;
    const std::string word(splitter.letters(splitter.words().front()));

    QAction* first = menu->actions().isEmpty() ? nullptr : menu->actions().front();
    std::vector<QAction*> items;
    if (!span->joined) {
        // Asked now, waited for a second at most: a late answer is dropped.
        auto task = std::make_shared<std::packaged_task<std::vector<std::string>()>>(
            [checker = checker_, word] { return checker->suggest(word); });
        std::future<std::vector<std::string>> answer = task->get_future();
        std::thread([task] { (*task)(); }).detach();
        std::vector<QString> suggestions;
        if (answer.wait_for(std::chrono::milliseconds(suggestionWait)) ==
            std::future_status::ready) {
            for (const std::string& s : answer.get()) {
                if (const std::optional<QString> w = pageWord(s))
                    suggestions.push_back(*w);
                if (static_cast<int>(suggestions.size()) == kSuggestions)
                    break;
            }
        }
        for (const QString& s : suggestions) {
            auto* a = new QAction(s, menu);
            QFont bold = a->font();
            bold.setBold(true);
            a->setFont(bold);
            connect(a, &QAction::triggered, this, [this, offset, length, shown, s] {
                TPageDocument& p = memo_.Page();
                // The page may have changed while the menu was open: only the same word goes.
                const int from = p.positionFromOffset(offset);
                if (p.rawText(from, p.positionFromOffset(offset + length)) == shown)
                    p.replace(offset, length, s);
            });
            items.push_back(a);
        }
        if (suggestions.empty()) {
            auto* a = new QAction("(No suggestions)", menu);
            a->setEnabled(false);
            items.push_back(a);
        }
    }
    auto* add = new QAction("&Add to Dictionary", menu);
    connect(add, &QAction::triggered, this, [this, word] {
        if (!checker_)
            return;
        std::string why;
        if (!checker_->addWord(word, &why) && note)
            note(QString("\"%1\" is right for this run only: %2.")
                     .arg(fromPage(word), QString::fromStdString(why)));
        memo_.SpellMarks().refresh();
    });
    auto* ignore = new QAction("&Ignore All", menu);
    connect(ignore, &QAction::triggered, this, [this, word] {
        if (checker_)
            checker_->ignore(word);
        memo_.SpellMarks().refresh();
    });
    for (QAction* a : items)
        menu->insertAction(first, a);
    if (!items.empty())
        menu->insertSeparator(first);
    menu->insertAction(first, add);
    menu->insertAction(first, ignore);
    if (first)
        menu->insertSeparator(first);
}
