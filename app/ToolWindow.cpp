#include "app/ToolWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>

#include "clock/Tickwarden.h"

CToolWindow::CToolWindow(const QString& title, const QString& objectName, int refreshMilliseconds, QWidget* parent)
    : QDialog(parent)
    , clock(&CTickwarden::GetPCMilliSecs)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    setObjectName(objectName);
    refreshTimer = new QTimer(this);
    refreshTimer->setSingleShot(true);
    refreshTimer->setInterval(refreshMilliseconds);
    connect(refreshTimer, &QTimer::timeout, this, &CToolWindow::OnRefreshTimer);
}

CToolWindow::~CToolWindow()
{
    emit closed();
}

void CToolWindow::SetClock(Clock newClock)
{
    clock = std::move(newClock);
}

void CToolWindow::SetSavePathChooser(CSavePathChooser chooser)
{
    chooseSavePath = std::move(chooser);
}

void CToolWindow::Tick()
{
    Refresh();
}

void CToolWindow::OnRefreshTimer()
{
    Tick();
    refreshTimer->start();
}

void CToolWindow::StartRefreshing()
{
    Refresh();
    refreshTimer->start();
}

QString CToolWindow::ChooseSavePath(const CSaveFileRequest& request)
{
    return chooseSavePath ? chooseSavePath(this) : AskForSavePath(this, request);
}

QPushButton* CToolWindow::Button(const QString& text, const char* objectName)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

QHBoxLayout* CToolWindow::ButtonRow(std::initializer_list<QPushButton*> buttons)
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

void CToolWindow::done(int result)
{
    refreshTimer->stop();
    QDialog::done(result);
}
