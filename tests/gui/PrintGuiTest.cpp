#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "platform/Printing.h"
#include "tests/app/ViewFakes.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QGraphicsItem>
#include <QGraphicsView>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

// The real print dialog in front of a PDF printer, looked at and then cancelled.
class LookingService : public TQtPrintService {
public:
    using TQtPrintService::TQtPrintService;
    QString file;
    QString shot;
    QStringList printerChoices;
    QStringList pageChoices; ///< visible controls that choose pages
    bool shown = false;

protected:
    std::unique_ptr<QPrinter> defaultPrinter() override {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFileName(file);
        return printer;
    }
    bool execDialog(QPrintDialog& dialog) override {
        QTimer::singleShot(200, &dialog, [this, &dialog] {
            shown = dialog.isVisible();
            // Unfold the options so the picture shows everything the dialog offers.
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                if (b->text().contains(">>"))
                    b->click();
            for (QComboBox* box : dialog.findChildren<QComboBox*>())
                for (int i = 0; i < box->count(); ++i)
                    printerChoices << box->itemText(i);
            QTimer::singleShot(300, &dialog, [this, &dialog] {
                if (!shot.isEmpty())
                    dialog.grab().save(shot);
                for (QWidget* w : dialog.findChildren<QWidget*>())
                    if (w->isVisible() &&
                        (w->objectName() == "printRange" || w->objectName() == "pagesRadioButton" ||
                         w->objectName() == "printSelection"))
                        pageChoices << w->objectName();
                dialog.reject();
            });
        });
        return TQtPrintService::execDialog(dialog);
    }
};

} // namespace

TEST(PrintGui, RealDialogOffersNoFileAndCancelPrintsNothing) {
    lptest::TempDir dir;
    lptest::ViewPrompts prompts;
    lptest::ViewDialogs dialogs;
    TForm1 form(TForm1Services{&prompts, &dialogs, nullptr});
    LookingService service(&form);
    service.file = dir.file("gui.pdf");
    service.shot = qEnvironmentVariable("LARKPAD_PRINT_SHOT");
    TForm1 printing(TForm1Services{&prompts, &dialogs, &service});
    printing.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&printing));
    printing.Clm1->SetText("Hello ^Bworld^b\r\nsecond line");
    printing.FilePrint->trigger();
    EXPECT_TRUE(service.shown);
    EXPECT_TRUE(prompts.complaints().isEmpty()) << prompts.complaints().join("; ").toStdString();
    EXPECT_FALSE(QFile::exists(service.file));
    for (const QString& choice : service.printerChoices)
        EXPECT_FALSE(choice.contains("PDF")) << choice.toStdString();
    EXPECT_TRUE(service.pageChoices.isEmpty()) << service.pageChoices.join(", ").toStdString();
    EXPECT_FALSE(printJobRunning());
}

namespace {

// The real preview window, with no printer installed, looked at and then closed.
class NoPrinterService : public TQtPrintService {
public:
    using TQtPrintService::TQtPrintService;
    bool shown = false;
    int pages = -1;
    QString shot;

protected:
    std::unique_ptr<QPrinter> defaultPrinter() override { return nullptr; }
    void execPreview(QPrintPreviewDialog& dialog) override {
        QTimer::singleShot(300, &dialog, [this, &dialog] {
            shown = dialog.isVisible();
            if (auto* widget = dialog.findChild<QPrintPreviewWidget*>())
                pages = widget->pageCount();
            if (!shot.isEmpty())
                dialog.grab().save(shot);
            dialog.reject();
        });
        TQtPrintService::execPreview(dialog);
    }
};

// A window whose print service is a Service of the test's, holding the given lines.
template <class Service> struct PreviewWindow {
    lptest::ViewPrompts prompts;
    lptest::ViewDialogs dialogs;
    TForm1 owner{TForm1Services{&prompts, &dialogs, nullptr}};
    Service service{&owner};
    TForm1 form{TForm1Services{&prompts, &dialogs, &service}};

    void show(int lineCount, const QString& line) {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QString text;
        for (int i = 0; i < lineCount; ++i)
            text += QString("Line %1 %2\r\n").arg(i).arg(line);
        form.Clm1->SetText(text);
    }
};

} // namespace

TEST(PrintGui, PreviewWorksWithoutAnyPrinter) {
    PreviewWindow<NoPrinterService> w;
    w.service.shot = qEnvironmentVariable("LARKPAD_PREVIEW_SHOT");
    w.show(200, "é € œ");
    w.form.FilePreview->trigger();
    EXPECT_TRUE(w.service.shown);
    EXPECT_GE(w.service.pages, 2);
    EXPECT_TRUE(w.prompts.errors.isEmpty()) << w.prompts.errors.join("; ").toStdString();
    EXPECT_FALSE(printJobRunning());
}

namespace {

// Counts the dark pixels of the preview's view: the text drawn on the pages in sight.
int inkInView(QPrintPreviewWidget& widget) {
    auto* view = widget.findChild<QGraphicsView*>();
    if (!view)
        return -1;
    const QImage shot = view->viewport()->grab().toImage();
    int ink = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            ink += qGray(shot.pixel(x, y)) < 100;
    return ink;
}

// An invisible item over the whole preview that counts the paints of the view while its printer
// is recording pages: the pictures the view shows are deleted then.
class PaintsDuringRecording : public QGraphicsItem {
public:
    explicit PaintsDuringRecording(QPrinter& printer) : printer_(printer) { setZValue(1e9); }
    int count = 0;

    int type() const override { return UserType + 1; } // not one of the preview's pages
    QRectF boundingRect() const override { return {-1e6, -1e6, 2e6, 2e6}; }
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {
        if (printer_.paintingActive())
            ++count;
    }

private:
    QPrinter& printer_;
};

// The preview of a long page, looked at on its first page and then on a page far down.
class PageVisitService : public NoPrinterService {
public:
    using NoPrinterService::NoPrinterService;
    int farPage = 0;
    int inkFirst = -1;
    int inkFar = -1;
    int pageShown = 0;

protected:
    void execPreview(QPrintPreviewDialog& dialog) override {
        auto* widget = dialog.findChild<QPrintPreviewWidget*>();
        // Each step waits for what it needs, however long a busy machine takes: the pages laid
        // out, then the far page in sight with its ink. The deadline only guards against a hang.
        QDeadlineTimer deadline(60000);
        bool turned = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, &dialog, [&, widget] {
            const bool late = deadline.hasExpired();
            if (!turned) {
                if ((dialog.printer()->paintingActive() || widget->pageCount() <= farPage) && !late)
                    return;
                pages = widget->pageCount();
                inkFirst = inkInView(*widget);
                widget->setCurrentPage(farPage);
                turned = true;
                return;
            }
            inkFar = inkInView(*widget);
            pageShown = widget->currentPage();
            if ((pageShown != farPage || inkFar <= inkFirst / 2) && !late)
                return;
            poll.stop();
            dialog.reject();
        });
        QTimer::singleShot(300, &dialog, [&poll] { poll.start(); });
        TQtPrintService::execPreview(dialog);
    }
};

// The preview scrolled and repainted all the time, while it lays its pages out again for another
// orientation (with a progress) and for the pages scrolled to. The author clicks Landscape over and
// over: clicks while pages are recorded are held back, the first one in between turns the pages.
class BusyViewService : public NoPrinterService {
public:
    using NoPrinterService::NoPrinterService;
    int pagesTurned = 0;
    int paintsDuringRecording = -1;
    int clicksDuringRecording = 0;

protected:
    void execPreview(QPrintPreviewDialog& dialog) override {
        auto* widget = dialog.findChild<QPrintPreviewWidget*>();
        auto* view = widget->findChild<QGraphicsView*>();
        auto* watch = new PaintsDuringRecording(*dialog.printer());
        view->scene()->addItem(watch);
        QWidget* landscape = nullptr;
        for (QToolBar* bar : dialog.findChildren<QToolBar*>())
            for (QAction* a : bar->actions())
                if (a->text() == "Landscape" || a->text() == "Paysage")
                    landscape = bar->widgetForAction(a);
        ASSERT_NE(landscape, nullptr);
        QTimer busy;
        busy.setInterval(0);
        QObject::connect(&busy, &QTimer::timeout, view, [view] {
            view->viewport()->update();
            view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() + 3);
        });
        busy.start();
        QTimer clicks;
        clicks.setInterval(10);
        QObject::connect(&clicks, &QTimer::timeout, landscape, [&, widget, landscape] {
            if (dialog.printer()->paintingActive())
                ++clicksDuringRecording;
            else if (pages < 0)
                pages = widget->pageCount();
            else if (widget->orientation() == QPageLayout::Landscape)
                return;
            // Clicked from the event loop, not from inside this timer, which the toolkit does not
            // run again until it returns: the pages recorded after the click let it tick.
            QMetaObject::invokeMethod(
                landscape, [landscape] { QTest::mouseClick(landscape, Qt::LeftButton); },
                Qt::QueuedConnection);
        });
        QTimer::singleShot(300, &dialog, [&] { clicks.start(); });
        // Done once the pages are laid out again in landscape, however long a busy machine takes;
        // the deadline only guards against a hang.
        QDeadlineTimer deadline(60000);
        QTimer done;
        done.setInterval(50);
        QObject::connect(&done, &QTimer::timeout, &dialog, [&, widget] {
            const bool turned = pages >= 0 && widget->orientation() == QPageLayout::Landscape &&
                                !dialog.printer()->paintingActive() && widget->pageCount() != pages;
            if (!turned && !deadline.hasExpired())
                return;
            pagesTurned = widget->pageCount();
            dialog.reject();
        });
        done.start();
        TQtPrintService::execPreview(dialog);
        paintsDuringRecording = watch->count;
    }
};

} // namespace

TEST(PrintGui, PreviewDrawsThePagesTheAuthorGoesTo) {
    PreviewWindow<PageVisitService> w;
    w.show(6000, "with words enough to be seen");
    w.service.farPage = 50;
    w.form.FilePreview->trigger();
    ASSERT_GT(w.service.pages, 60);
    EXPECT_GT(w.service.inkFirst, 500);
    EXPECT_EQ(w.service.pageShown, 50);
    EXPECT_GT(w.service.inkFar, w.service.inkFirst / 2) << "page 50 is drawn once it is in sight";
    EXPECT_TRUE(w.prompts.errors.isEmpty()) << w.prompts.errors.join("; ").toStdString();
    EXPECT_FALSE(printJobRunning());
}

// The view must not paint the pages while new ones are recorded (Qt 6.4 has deleted the old
// pictures then): it crashed when scrolled during a new layout.
TEST(PrintGui, PreviewStaysWholeWhileItsPagesAreMadeAgain) {
    PreviewWindow<BusyViewService> w;
    w.show(60000, "with words enough to be seen");
    w.form.FilePreview->trigger();
    ASSERT_GT(w.service.pages, 600);
    EXPECT_GT(w.service.pagesTurned, w.service.pages) << "landscape pages hold fewer lines";
    EXPECT_GT(w.service.clicksDuringRecording, 0);
    EXPECT_EQ(w.service.paintsDuringRecording, 0);
    EXPECT_TRUE(w.prompts.errors.isEmpty()) << w.prompts.errors.join("; ").toStdString();
    EXPECT_FALSE(printJobRunning());
}
