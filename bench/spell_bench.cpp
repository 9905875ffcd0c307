// Cost of spelling while typing, with the system's French dictionary: a key typed with spelling
// on against off at 10 KB and 50 MB (processor time of the user-interface thread), the first
// screenful of a 50 MB page on against off, and checking a 10 MB French page end to end (masking,
// splitting, cache, dictionary) against a bare loop of the dictionary over the same words. Every
// figure is a ratio measured in one run; the counters carry the medians.

#include "bench/BenchReport.h"
#include "document/core/Cp1252.h"
#include "editor/ColMemo.h"
#include "markup/core/PageMarkup.h"
#include "markup/core/SpellWords.h"
#include "spelling/SpellService.h"
#include "spelling/core/Dictionary.h"
#include "spelling/core/SpellChecker.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <random>

namespace {

const std::string kFolder = "/usr/share/hunspell";
const std::string kAff = kFolder + "/fr_FR.aff";
QTemporaryDir* words = nullptr; // the author's own words: none

double threadMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void keyClick(QWidget* w, int key) {
    const QString text = key == Qt::Key_X ? "x" : key == Qt::Key_Backspace ? "\b" : "";
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

// Words of the French dictionary (its stems, in the page code page), drawn as prose draws them:
// a few often, most seldom.
std::vector<std::string> frenchWords() {
    std::vector<std::string> out;
    std::ifstream dic(kFolder + "/fr_FR.dic");
    std::string line;
    std::getline(dic, line);
    while (std::getline(dic, line) && out.size() < 40000) {
        const std::string stem = line.substr(0, line.find_first_of("/\t "));
        const QString w = QString::fromStdString(stem);
        if (w.isEmpty() || w.contains('.') || w.contains('-'))
            continue;
        std::string bytes(static_cast<size_t>(w.size()), ' ');
        if (cp1252::encode(reinterpret_cast<const char16_t*>(w.utf16()), bytes.size(),
                           bytes.data()) == 0)
            out.push_back(bytes);
    }
    return out;
}

// About `bytes` of French prose with the markup's codes, lines of 60 to 100 bytes.
std::string frenchPage(std::size_t bytes) {
    static const std::vector<std::string> vocabulary = frenchWords();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    const auto pick = [&] {
        // Zipf-like: the index's logarithm is uniform.
        const double r = std::pow(static_cast<double>(vocabulary.size()), unit(random)) - 1;
        return vocabulary[static_cast<size_t>(r) % vocabulary.size()];
    };
    static const char* codes[][2] = {{"^B", "^b"}, {"^I", "^i"}, {"^P4", "^p"}, {"^F14", "^f"}};
    std::string page;
    page.reserve(bytes + 200);
    std::string line;
    int n = 0;
    while (page.size() < bytes) {
        ++n;
        if (n % 11 == 0) {
            const auto& c = codes[n % 4];
            line += std::string(c[0]) + pick() + c[1];
        } else if (n % 37 == 0) {
            line += "^L" + pick() + "=GotoPage \"page2.txt\"^l";
        } else if (n % 53 == 0) {
            line += "[Nom]";
        } else if (n % 41 == 0) {
            line += "mondde"; // a few misspelt words
        } else {
            line += pick();
        }
        line += n % 7 == 0 ? ", " : " ";
        if (line.size() > 60 + static_cast<size_t>(n % 40)) {
            page += line + "\r\n";
            line.clear();
        }
    }
    return page;
}

std::vector<std::string> linesOf(const std::string& page) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < page.size()) {
        const std::size_t end = std::min(page.find("\r\n", from), page.size());
        lines.push_back(page.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

QString pageQString(const std::string& page) {
    QString t(static_cast<qsizetype>(page.size()), QChar());
    cp1252::decode(page.data(), page.size(), reinterpret_cast<char16_t*>(t.data()));
    return t;
}

std::unique_ptr<TColorMemo> makeMemo() {
    auto m = std::make_unique<TColorMemo>();
    TFontAttributes f;
    f.name = "DejaVu Sans Mono";
    f.size = 10;
    m->SetEditorFont(f);
    markup::applyEditorRuleSet(m->ColorRules().Add());
    m->resize(980, 720);
    m->show();
    QApplication::processEvents();
    return m;
}

std::unique_ptr<TSpellService> spellingOn(TColorMemo& m) {
    auto s = std::make_unique<TSpellService>(m, std::vector<std::string>{kFolder},
                                             words->path().toStdString());
    s->setLanguage("fr_FR");
    s->setEnabled(true);
    while (!s->ready())
        QApplication::processEvents();
    s->waitIdle();
    return s;
}

// A key typed in the middle of the page, the caret's word finished by a space, repainted; then
// taken back. Median processor time of this thread.
double keyMs(TColorMemo& m, TSpellService* spelling, int runs) {
    QTextCursor c = m.textCursor();
    c.setPosition(m.document()->characterCount() / 2);
    c.movePosition(QTextCursor::EndOfWord);
    m.setTextCursor(c);
    m.ensureCursorVisible();
    QApplication::processEvents();
    m.viewport()->repaint();
    if (spelling)
        spelling->waitIdle();
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const double start = threadMs();
        keyClick(&m, Qt::Key_X);
        QApplication::processEvents();
        m.viewport()->repaint();
        t.push_back(threadMs() - start);
        if (spelling)
            spelling->waitIdle(); // the word typed reaches the worker: its result comes back
        keyClick(&m, Qt::Key_Backspace);
        QApplication::processEvents();
        m.viewport()->repaint();
    }
    return median(t);
}

void BM_Key(benchmark::State& state) {
    const std::size_t bytes = static_cast<std::size_t>(state.range(0)) << 10;
    const QString text = pageQString(frenchPage(bytes));
    for (auto _ : state) {
        auto m = makeMemo();
        m->SetText(text);
        QApplication::processEvents();
        const double off = keyMs(*m, nullptr, 41);
        auto spelling = spellingOn(*m);
        const double on = keyMs(*m, spelling.get(), 41);
        state.counters["off_ms"] = off;
        state.counters["on_ms"] = on;
        state.counters["extra_ms"] = on - off;
    }
}
BENCHMARK(BM_Key)->Arg(10)->Arg(50 << 10)->Iterations(1)->Unit(benchmark::kMillisecond);

// Opening a 50 MB page to its first screenful, spelling off then on (its dictionary loaded).
void BM_FirstScreen50MB(benchmark::State& state) {
    const QString text = pageQString(frenchPage(std::size_t(50) << 20));
    for (auto _ : state) {
        for (const bool on : {false, true}) {
            auto m = makeMemo();
            std::unique_ptr<TSpellService> spelling;
            if (on)
                spelling = spellingOn(*m);
            const double start = threadMs();
            m->SetText(text);
            m->viewport()->repaint();
            state.counters[on ? "on_ms" : "off_ms"] = threadMs() - start;
        }
    }
}
BENCHMARK(BM_FirstScreen50MB)->Iterations(1)->Unit(benchmark::kMillisecond);

// A 10 MB page checked whole: masking, splitting, the cache and the dictionary, then every
// line's misspelt words; against the dictionary's spell over the same words, one by one.
void BM_Page10MB(benchmark::State& state) {
    const std::vector<std::string> lines = linesOf(frenchPage(std::size_t(10) << 20));
    const std::shared_ptr<const spelling::TDictionary> dictionary = spelling::loadDictionary(kAff);
    std::vector<std::string> utf8;
    markup::TSpellSplitter splitter;
    for (const std::string& l : lines) {
        splitter.split(l);
        for (const markup::TSpellWord& w : splitter.words()) {
            utf8.emplace_back();
            markup::wordToUtf8(splitter.letters(w), utf8.back());
        }
    }
    for (auto _ : state) {
        double start = threadMs();
        std::size_t right = 0;
        for (const std::string& w : utf8)
            right += dictionary->spell(w);
        const double bare = threadMs() - start;
        benchmark::DoNotOptimize(right);

        start = threadMs();
        spelling::TSpellChecker checker(dictionary, {});
        checker.checkLines(lines);
        std::vector<spelling::TMistake> mistakes;
        std::size_t wrong = 0;
        for (const std::string& l : lines) {
            checker.mistakes(l, mistakes);
            wrong += mistakes.size();
        }
        const double ours = threadMs() - start;
        benchmark::DoNotOptimize(wrong);
        state.counters["words"] = static_cast<double>(utf8.size());
        state.counters["bare_ms"] = bare;
        state.counters["ours_ms"] = ours;
        state.counters["bare_words_per_s"] = utf8.size() / bare * 1e3;
        state.counters["ours_words_per_s"] = utf8.size() / ours * 1e3;
    }
}
BENCHMARK(BM_Page10MB)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!QFile::exists(QString::fromStdString(kAff))) {
        std::fprintf(stderr, "needs %s (hunspell-fr-classical)\n", kAff.c_str());
        return 1;
    }
    QTemporaryDir ownWords;
    words = &ownWords;
    benchmark::Initialize(&argc, argv);
    lpbench::TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto c = [&](const std::string& run, const char* counter) {
        return reporter.at(run).counters[counter];
    };
    std::printf("\nSpelling on / off, processor time of the user-interface thread\n");
    for (const char* run : {"BM_Key/10", "BM_Key/51200"})
        if (const double off = c(run, "off_ms"); off > 0)
            std::printf("%-14s key: %.3f ms / %.3f ms = %.2f (%+.3f ms)\n", run, c(run, "on_ms"),
                        off, c(run, "on_ms") / off, c(run, "on_ms") - off);
    if (const double off = c("BM_FirstScreen50MB/iterations:1", "off_ms"); off > 0)
        std::printf("first screenful of 50 MB: %.1f ms / %.1f ms = %.2f\n",
                    c("BM_FirstScreen50MB/iterations:1", "on_ms"), off,
                    c("BM_FirstScreen50MB/iterations:1", "on_ms") / off);
    if (const double bare = c("BM_Page10MB/iterations:1", "bare_ms"); bare > 0)
        std::printf("10 MB page end to end / bare spell loop: %.2f (%.0f against %.0f words/s)\n",
                    c("BM_Page10MB/iterations:1", "ours_ms") / bare,
                    c("BM_Page10MB/iterations:1", "ours_words_per_s"),
                    c("BM_Page10MB/iterations:1", "bare_words_per_s"));
    benchmark::Shutdown();
    return 0;
}
