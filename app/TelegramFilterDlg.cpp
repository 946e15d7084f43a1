#include "app/TelegramFilterDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ControlId.h"

CTelegramFilterDlg::CTelegramFilterDlg(const QString& initialText, QWidget* parent)
    : QDialog(parent), filterText(initialText)
{
    setWindowTitle("Telegram filter");

    // Created in the order a user tabs through them: OK, Cancel, the text.
    auto* okButton = WithControlId(new QPushButton("OK", this), kOk);
    auto* cancelButton = WithControlId(new QPushButton("Cancel", this), kCancel);
    filterEdit = WithControlId(new QLineEdit(filterText, this), kFilterEdit);
    auto* editLabel = new QLabel("Filter text", this);
    auto* explanation = new QLabel(
        "Only telegrams with the following text in the DP index field will be dislpayed.", this);
    explanation->setWordWrap(true);

    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* editRow = new QHBoxLayout;
    editRow->addWidget(editLabel);
    editRow->addWidget(filterEdit, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(okButton);
    buttonRow->addWidget(cancelButton);
    buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(editRow);
    layout->addLayout(buttonRow);

    filterEdit->selectAll();
    filterEdit->setFocus();
    setFixedWidth(sizeHint().width() < 260 ? 260 : sizeHint().width());
}

void CTelegramFilterDlg::accept()
{
    filterText = filterEdit->text();
    QDialog::accept();
}
