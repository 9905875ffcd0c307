#pragma once

#include "document/PageWatcher.h"
#include "markup/core/MarkupCheck.h"

class TPageDocument;

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

class QPlainTextEdit;

// Runs the markup checker over an editor's text: at once when switched on, then after each pause
// in typing. The check runs in a worker thread on a snapshot of the text, so a long page never
// stalls typing; a result that the text has overtaken is thrown away. Full paths in file arguments
// are looked up in a second worker with a time limit, because a vanished network folder can keep
// a look-up waiting for minutes: what has no answer in time is reported as such.
class TCheckRunner : public QObject {
    Q_OBJECT
public:
    explicit TCheckRunner(const TPageDocument& page, QObject* parent = nullptr);
    ~TCheckRunner() override;

    // On: checks now and after every pause. Off: stops and forgets the result.
    void setActive(bool on);
    bool active() const { return active_; }
    // True while a check or a file look-up has not reported yet.
    bool busy() const;

    std::chrono::milliseconds pause{500};
    std::chrono::milliseconds fileTimeLimit{2000};
    // How long a file's answer is reused before it is looked up again.
    std::chrono::milliseconds fileMemory{10000};
    // Looks a page path up; runs in a worker. Tests replace it.
    std::function<bool(const std::string& path)> fileExists = [](const std::string& path) {
        return markup::pageFileExists(path);
    };

    // The page bytes of a document's raw text (paragraph separators as CR LF), as the worker
    // checks them.
    static std::string pageBytes(const QString& rawText);

    // The last result, files included as far as they are known. Offsets are the editor's (CR LF).
    const markup::TCheckResult& result() const { return result_; }

signals:
    // result() was replaced.
    void resultReady();

private:
    struct TJob;
    struct TProbe;
    void textChanged();
    void start();
    void poll();
    void startProbe();
    void finishFiles(); ///< files without an answer yet get none
    void publish();

    const TPageDocument& page_;
    bool active_ = false;
    QTimer pauseTimer_;
    QTimer pollTimer_;
    int generation_ = 0;        ///< counts text changes
    int checkedGeneration_ = 0; ///< the text that checked_ was made from
    std::shared_ptr<TJob> job_;
    std::thread worker_; ///< the thread of the last check
    std::shared_ptr<TProbe> probe_;
    QElapsedTimer probeClock_;
    markup::TCheckResult checked_; ///< the check without the files
    markup::TCheckResult result_;
    struct TKnown {
        markup::TFileState state;
        std::chrono::steady_clock::time_point when;
    };
    std::map<std::string, TKnown> known_;
    TPageWatch watch_; ///< last: the page is watched while all stands
};
