#include "app/DocumentToolWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>

#include "app/VantrelDoc.h"
#include "clock/Tickwarden.h"

CDocumentToolWindow::CDocumentToolWindow(CVantrelDoc* document, const QString& title, const QString& objectName,
                                         int refreshMilliseconds, QWidget* parent)
    : QDialog(parent)
    , document(document)
    , clock(&CTickwarden::GetPCMilliSecs)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    setObjectName(objectName);
    refreshTimer = new QTimer(this);
    refreshTimer->setInterval(refreshMilliseconds);
    connect(refreshTimer, &QTimer::timeout, this, &CDocumentToolWindow::Tick);
}

CDocumentToolWindow::~CDocumentToolWindow()
{
    emit closed();
}

void CDocumentToolWindow::SetClock(Clock newClock)
{
    clock = std::move(newClock);
}

void CDocumentToolWindow::SetSavePathChooser(CSavePathChooser chooser)
{
    chooseSavePath = std::move(chooser);
}

void CDocumentToolWindow::Tick()
{
    Refresh();
}

void CDocumentToolWindow::StartRefreshing()
{
    refreshTimer->start();
    Refresh();
}

QString CDocumentToolWindow::ChooseSavePath(const CSaveFileRequest& request)
{
    return chooseSavePath ? chooseSavePath(this) : AskForSavePath(this, request);
}

QPushButton* CDocumentToolWindow::Button(const QString& text, const char* objectName)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

QHBoxLayout* CDocumentToolWindow::ButtonRow(std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QHBoxLayout;
    for (QPushButton* button : buttons)
        row->addWidget(button);
    row->addStretch();
    QPushButton* closeButton = Button(QStringLiteral("Close"), "closeButton");
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(closeButton);
    return row;
}

void CDocumentToolWindow::done(int result)
{
    refreshTimer->stop();
    QDialog::done(result);
}
