#include "platform/RecoveryDialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using recovery::TListAction;

TRecoveryDialog::TRecoveryDialog(const std::vector<recovery::TListedCopy>& copies, QWidget* parent)
    : QDialog(parent), copies_(copies) {
    setWindowTitle(QStringLiteral("Recovery"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        QStringLiteral("Lark Pad did not close normally and kept these unsaved changes.\n"
                       "Recover restores the selected text, Delete deletes the selected copies, "
                       "Later keeps them all for the next start."),
        this);
    text->setWordWrap(true);
    layout->addWidget(text);

    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels({QStringLiteral("Page"), QStringLiteral("Time"), QStringLiteral("Size"),
                            QStringLiteral("State")});
    for (const recovery::TListedCopy& c : copies_) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0,
                      c.page.empty() ? QStringLiteral("Untitled") : QString::fromStdString(c.page));
        item->setText(1, QDateTime::fromMSecsSinceEpoch(c.timeMs).toString(
                             QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        item->setText(2, QString::fromStdString(recovery::sizeText(c.size)));
        item->setText(3, c.damage.empty()
                             ? QStringLiteral("sound")
                             : QStringLiteral("damaged: ") + QString::fromStdString(c.damage));
        item->setToolTip(0, QString::fromStdString(c.file));
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(list_);

    auto* buttons = new QDialogButtonBox(this);
    recover_ = buttons->addButton(QStringLiteral("&Recover"), QDialogButtonBox::AcceptRole);
    delete_ = buttons->addButton(QStringLiteral("&Delete"), QDialogButtonBox::DestructiveRole);
    later_ = buttons->addButton(QStringLiteral("&Later"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(recover_, &QPushButton::clicked, this, [this] { decide(TListAction::Recover); });
    connect(delete_, &QPushButton::clicked, this, [this] { decide(TListAction::Delete); });
    connect(later_, &QPushButton::clicked, this, [this] { decide(TListAction::Later); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &TRecoveryDialog::updateButtons);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (recover_->isEnabled())
            decide(TListAction::Recover);
    });

    // The newest sound copy is selected: Enter recovers it.
    for (int row = int(copies_.size()) - 1; row >= 0; --row) {
        if (copies_[std::size_t(row)].damage.empty()) {
            list_->setCurrentItem(list_->topLevelItem(row));
            break;
        }
    }
    if (!list_->currentItem() && list_->topLevelItemCount() > 0)
        list_->setCurrentItem(list_->topLevelItem(0));
    updateButtons();
    list_->setFocus();
    resize(720, 360);
}

QPushButton* TRecoveryDialog::button(TListAction action) const {
    switch (action) {
    case TListAction::Recover:
        return recover_;
    case TListAction::Delete:
        return delete_;
    case TListAction::Later:
        return later_;
    }
    return nullptr;
}

std::vector<std::size_t> TRecoveryDialog::selectedRows() const {
    std::vector<std::size_t> rows;
    for (int row = 0; row < list_->topLevelItemCount(); ++row)
        if (list_->topLevelItem(row)->isSelected())
            rows.push_back(std::size_t(row));
    return rows;
}

void TRecoveryDialog::updateButtons() {
    const std::vector<std::size_t> rows = selectedRows();
    recover_->setEnabled(recovery::allowed(TListAction::Recover, copies_, rows));
    delete_->setEnabled(recovery::allowed(TListAction::Delete, copies_, rows));
    // Enter recovers when it can, and otherwise does nothing rather than delete.
    recover_->setDefault(recover_->isEnabled());
    recover_->setAutoDefault(recover_->isEnabled());
    delete_->setAutoDefault(false);
    later_->setAutoDefault(false);
}

void TRecoveryDialog::decide(TListAction action) {
    const std::vector<std::size_t> rows =
        action == TListAction::Later ? std::vector<std::size_t>{} : selectedRows();
    if (!recovery::allowed(action, copies_, rows))
        return;
    decision_ = {action, rows};
    if (action == TListAction::Later)
        reject();
    else
        accept();
}
