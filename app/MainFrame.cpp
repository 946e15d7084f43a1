#include "app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "acquisition/CommSettings.h"
#include "acquisition/LineEvent.h"
#include "acquisition/PortMap.h"
#include "acquisition/TelegramDecoder.h"
#include "app/AboutBox.h"
#include "app/CapturePlayer.h"
#include "app/PlayerBar.h"
#include "app/ToolWindowTable.h"
#include "app/VantrelDoc.h"
#include "app/VantrelView.h"
#include "app/widgets/ColorStatusBar.h"

namespace {
constexpr int kCommandUiMilliseconds = 250;

// Pane ids of the status bar; the key indicators have none of their own.
constexpr int kPortPaneId = 102;
constexpr int kFilterPaneId = 103;
constexpr int kReceivePaneId = 104;
constexpr int kVerdictPaneId = 105;
constexpr int kCapsPaneId = 59137;
constexpr int kNumPaneId = 59138;
constexpr int kScrollPaneId = 59139;

// The toolbar, left to right, as the strips draw the buttons.
constexpr int kToolbarCommands[] = {
    CMainFrame::kPause,      CMainFrame::kConfigure, CMainFrame::kSendToNotepad,
    CMainFrame::kTelegramFilter, CMainFrame::kHexWindow, CMainFrame::kLogData,
    CMainFrame::kTelegramTiming, CMainFrame::kPrint,  CMainFrame::kAbout};
} // namespace

// The toolbar strips live in this library's resources, which a static
// library has to register itself.
static void LoadToolbarArtwork()
{
    Q_INIT_RESOURCE(vantrel);
}

CMainFrame::CMainFrame(CVantrelDoc* document, CVantrelView* view, QWidget* parent)
    : QMainWindow(parent), document(document), view(view)
{
    setWindowTitle("Vantrel");
    setCentralWidget(view);
    LoadToolbarArtwork();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    playerBar = new CPlayerBar(this);
    addToolBar(Qt::BottomToolBarArea, playerBar);

    receiveLightTimer = new QTimer(this);
    receiveLightTimer->setSingleShot(true);
    receiveLightTimer->setInterval(kLightMilliseconds);
    connect(receiveLightTimer, &QTimer::timeout, this, [this] { TurnBackLight(kReceivePane); });
    blockLightTimer = new QTimer(this);
    blockLightTimer->setSingleShot(true);
    blockLightTimer->setInterval(kLightMilliseconds);
    connect(blockLightTimer, &QTimer::timeout, this, [this] { TurnBackLight(kFilterPane); });

    connect(view, &CVantrelView::flashReceiveLight, this, &CMainFrame::OnFlashReceiveLight);
    connect(view, &CVantrelView::flashBlockLight, this, &CMainFrame::OnFlashBlockLight);
    connect(view, &CVantrelView::pauseChanged, this, &CMainFrame::UpdateCommandUi);
    connect(view, &CVantrelView::settingsChanged, this, [this] {
        portSettingsKnown = false;
        UpdateCommandUi();
    });
    if (document) {
        document->SetMainWindow(this);
        connect(document, &CVantrelDoc::filterChanged, this, &CMainFrame::UpdateCommandUi);
        connect(document, &CVantrelDoc::toolWindowsChanged, this, &CMainFrame::UpdateCommandUi);
        connect(document, &CVantrelDoc::loggingChanged, this, &CMainFrame::UpdateCommandUi);
        connect(document, &CVantrelDoc::lineEvent, this, &CMainFrame::OnLineEvent);
        connect(document, &CVantrelDoc::telegramJudged, this, &CMainFrame::OnTelegramJudged);
        connect(document, &CVantrelDoc::captureChanged, this, &CMainFrame::OnCaptureChanged);
        connect(document, &CVantrelDoc::captureMessage, this,
                [this](const QString& text) { statusPanes->showMessage(text); });
        connect(playerBar, &CPlayerBar::closeRequested, document, &CVantrelDoc::CloseCapture);
        connect(document, &CVantrelDoc::severalTelegramsInRead, this, [this] {
            statusPanes->showMessage(
                "A read held several telegrams that came too close for silence to part them: "
                "choose framing \"By content\" in the settings to read each on its own");
        });
    }

    // Check marks and panes follow the state the way an idle update would.
    commandUiTimer = new QTimer(this);
    commandUiTimer->setInterval(kCommandUiMilliseconds);
    connect(commandUiTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUi);
    commandUiTimer->start();
    UpdateCommandUi();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddCommand(int id, const QString& text, const QString& prompt,
                                std::function<void()> handler, bool checkable)
{
    auto* action = new QAction(text, this);
    action->setData(id);
    const qsizetype split = prompt.indexOf('\n');
    action->setStatusTip(prompt.left(split));
    action->setToolTip(split >= 0 ? prompt.mid(split + 1) : prompt);
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, handler = std::move(handler)] {
        handler();
        UpdateCommandUi();
    });
    actions.insert(id, action);
    return action;
}

void CMainFrame::CreateMenus()
{
    CVantrelView* v = view;
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction(AddCommand(kPrint, "&Print...", "Print the active document\nPrint", [v] { v->OnPrint(); }));
    actions[kPrint]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addAction(AddCommand(kPrintPreview, "Print Pre&view", "Display full pages\nPrint Preview",
                               [v] { v->OnPrintPreview(); }));
    file->addAction(AddCommand(kPrintSetup, "P&rint Setup...",
                               "Change the printer and printing options\nPrint Setup", [v] { v->OnPrintSetup(); }));
    file->addSeparator();
    file->addAction(AddCommand(kOpenCapture, "Open Capture...",
                               "Play a recorded session (a JSON Lines capture, or the raw and CSV logs) instead "
                               "of the line\nOpen capture",
                               [this] { OnOpenCapture(); }));
    file->addAction(AddCommand(kCloseCapture, "Close Capture", "Stop playing the capture and read the line again\n"
                               "Close capture",
                               [this] { if (document) document->CloseCapture(); }));
    file->addSeparator();
    file->addAction(AddCommand(kExit, "E&xit", "Quit the application; prompts to save documents\nExit",
                               [this] { close(); }));

    QMenu* viewMenu = menuBar()->addMenu("&View");
    for (const CToolWindowEntry& tool : CToolWindowTable::Entries()) {
        const int id = tool.commandId;
        QAction* action = AddCommand(id, tool.menuText, tool.prompt, [this, id] {
            if (document)
                document->OnToolWindow(id);
        }, true);
        action->setObjectName(tool.actionName);
        viewMenu->addAction(action);
    }

    QMenu* vantrel = menuBar()->addMenu("Vantrel");
    vantrel->addAction(AddCommand(kConfigure, "Configure...",
                                  "Change communication settings and telegram type\n"
                                  "Change communication settings and telegram type",
                                  [v] { v->OnConfigure(); }));
    vantrel->addAction(AddCommand(kTelegramFilter, "Telegram Filter...",
                                  "Sets or removes a telegram index filter\nSet or remove telegram filter",
                                  [v] { v->OnTelegramFilter(); }, true));
    vantrel->addAction(AddCommand(kSendToNotepad, "Send to Notepad",
                                  "Send a copy of the current screen to Notepad\nSend a copy to notepad",
                                  [v] { v->OnSendToNotepad(); }));
    vantrel->addSeparator();
    vantrel->addAction(AddCommand(kPause, "Pause", "Pauses or unpauses the decoding of telegrams\nToggle pause",
                                  [v] { v->OnPause(); }, true));
    vantrel->addAction(AddCommand(kLogData, "Log Data", "Log received data to disk\nLog data",
                                  [this] { if (document) document->OnLogData(); }, true));

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction(AddCommand(kAbout, "&About Vantrel...",
                               "Display program information, version number and copyright\nAbout",
                               [this] { OnAbout(); }));

    // A new document keeps the line, the controller and the settings; it
    // only starts the display afresh.
    QAction* newDocument = AddCommand(kNewDocument, "&New", "Create a new document\nNew",
                                      [this] { OnNewDocument(); });
    newDocument->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    addAction(newDocument);

    for (QMenu* menu : {file, viewMenu, vantrel, help})
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
}

QString CMainFrame::ToolbarArtwork(const QPalette& palette)
{
    const bool dark = palette.color(QPalette::Window).lightness() < 128;
    return dark ? QStringLiteral(":/resources/toolbar-144.png") : QStringLiteral(":/resources/toolbar-140.png");
}

void CMainFrame::CreateToolBar()
{
    toolBar = addToolBar("Toolbar");
    toolBar->setObjectName("toolbar");
    toolBar->setIconSize(QSize(kToolbarButtonSize, kToolbarButtonSize));
    toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (const int id : kToolbarCommands) {
        toolBar->addAction(actions.value(id));
        if (QWidget* button = toolBar->widgetForAction(actions.value(id)))
            button->setFixedSize(kToolbarButtonSize + 4, kToolbarButtonSize + 4);
    }
    ApplyToolbarArtwork();
}

void CMainFrame::ApplyToolbarArtwork()
{
    const QPixmap strip(ToolbarArtwork(palette()));
    int position = 0;
    for (const int id : kToolbarCommands) {
        const QRect cell(position * kToolbarButtonSize, 0, kToolbarButtonSize, kToolbarButtonSize);
        actions.value(id)->setIcon(strip.isNull() ? QIcon() : QIcon(strip.copy(cell)));
        ++position;
    }
}

void CMainFrame::CreateStatusBar()
{
    statusPanes = new CColorStatusBar(this);
    statusPanes->SetIndicators({{0, QString(), CColorStatusBar::kStretch | CColorStatusBar::kNoBorders},
                                {kReceivePaneId, "Receive Indicator"},
                                {kVerdictPaneId, "CHECKSUM MISMATCH"},  // the longest verdict word
                                {kFilterPaneId, "Filter disabled"},
                                {kPortPaneId, "COM33 99600 8 N 1"},
                                {kCapsPaneId, "CAP", CColorStatusBar::kDisabled},
                                {kNumPaneId, "NUM", CColorStatusBar::kDisabled},
                                {kScrollPaneId, "SCRL", CColorStatusBar::kDisabled}});
    // The lock keys' state cannot be read here in general, so their panes
    // stay in the disabled colours.
    statusPanes->SetPaneMode(kReceivePane, CStatusPane::kText | CStatusPane::kCentre);
    statusPanes->SetPaneMode(kVerdictPane, CStatusPane::kText | CStatusPane::kCentre);
    statusPanes->SetPaneText(kVerdictPane, QString());  // no telegram yet
    statusPanes->SetPaneGrows(kPortPane, true);  // long enough for a port error
    setStatusBar(statusPanes);
}

void CMainFrame::OnFlashReceiveLight(bool timedOut)
{
    statusPanes->SetPaneBackground(kReceivePane, timedOut ? LitRed() : LitGreen());
    receiveLightTimer->start();
}

void CMainFrame::OnFlashBlockLight(bool blocked)
{
    statusPanes->SetPaneBackground(kFilterPane, blocked ? LitRed() : LitGreen());
    blockLightTimer->start();
}

void CMainFrame::OnTelegramJudged(bool good, const QString& verdict)
{
    statusPanes->SetPaneText(kVerdictPane, verdict);
    statusPanes->SetPaneBackground(kVerdictPane, good ? LitGreen() : LitRed());
    // Dark text reads on both lights, whatever the palette.
    statusPanes->Pane(kVerdictPane).enabledTextColour = Qt::black;
}

void CMainFrame::TurnBackLight(int paneIndex)
{
    statusPanes->SetPaneBackground(paneIndex, statusPanes->Pane(kPromptPane).enabledBackground);
}

QString CMainFrame::PortSettingsText(const std::string& portName, const std::string& configString,
                                     const std::string& networkUrl)
{
    if (!networkUrl.empty())
        return QString::fromStdString(portName + " " + networkUrl);
    QString text = QString::fromStdString(portName + " " + configString);
    text.remove("Config(");
    text.remove(')');
    text.replace(',', ' ');
    return text;
}

void CMainFrame::UpdateCommandUi()
{
    const CTelegramDecoder* controller = document ? document->telegramDecoder() : nullptr;
    actions[kPause]->setChecked(controller && controller->IsPaused());
    actions[kTelegramFilter]->setChecked(document && document->IsFilterEnabled());
    for (const CToolWindowEntry& tool : CToolWindowTable::Entries())
        actions[tool.commandId]->setChecked(document && document->IsToolWindowOpen(tool.commandId));
    if (controller)
        actions[kLogData]->setChecked(controller->IsLogging());
    actions[kCloseCapture]->setEnabled(document && document->Capture());
    UpdateFilterPane();
    UpdatePortPane();
}

void CMainFrame::UpdateFilterPane()
{
    if (!document)
        return;
    statusPanes->SetPaneText(kFilterPane, document->IsFilterEnabled()
                                              ? QString("Filtering %1").arg(document->GetFilterText())
                                              : QString("Filter disabled"));
}

void CMainFrame::UpdatePortPane()
{
    if (document && document->Capture()) {
        statusPanes->SetPaneText(kPortPane, "Capture " + document->Capture()->Title());
        return;
    }
    CTelegramDecoder* controller = document ? document->telegramDecoder() : nullptr;
    if (!controller)
        return;
    // The settings change only through Configure, so they are read once
    // and after every change; the read waits at most 100 ms for a busy line.
    if (!portSettingsKnown) {
        std::string portName;
        std::string configString;
        int receiveTimeout = 0;
        if (!controller->GetCommSettings(portName, configString, receiveTimeout))
            return;  // the pane keeps its text until the line is free
        knownPortName = portName;
        knownConfigString = configString;
        const CLineAddress line = CPortMap::LineAddress(CommSettings::PortNumberFor(portName));
        knownNetworkUrl = line.IsNetwork() ? line.text : std::string();
        knownFraming = controller->GetFraming();
        portSettingsKnown = true;
        portTextStale = true;
    }
    const CWindowShare share{document->TelegramsLeftOutOfView(), document->TelegramsMissedByWindow(),
                             view->IsConfiguring()};
    if (!portTextStale && share == shownShare)
        return;
    portTextStale = false;
    shownShare = share;
    if (lineFault.reason.empty()) {
        QString text = PortSettingsText(knownPortName, knownConfigString, knownNetworkUrl);
        // Framing by silence, the default, goes without saying.
        if (knownFraming == CFraming::ByContent)
            text += " by content";
        // Datagrams that came faster than they were read.
        if (droppedBySystem > 0)
            text += QString(" (%1 dropped by the system)").arg(droppedBySystem);
        statusPanes->SetPaneText(kPortPane, text + WindowShareText(share));
        return;
    }
    // The port cannot be opened, or its line was lost: say which and why,
    // until the line is read again.
    QString text = QString::fromStdString(lineFault.reason);
    if (lineFault.lost)
        text.prepend("line lost: ");
    text.prepend(QString::fromStdString(lineFault.portName) + ": ");
    statusPanes->SetPaneText(kPortPane, text + WindowShareText(share));
}

QString CMainFrame::WindowShareText(const CWindowShare& share)
{
    QString text;
    if (share.configuring)
        text += " - read on while the settings are open";
    // The logs and the tool windows have them; the view had no time.
    if (share.leftOutOfView > 0)
        text += QString(" - %1 not shown in time").arg(share.leftOutOfView);
    if (share.missedByWindow > 0)
        text += QString(" - %1 missed by the window").arg(share.missedByWindow);
    return text;
}

void CMainFrame::OnLineEvent(const CLineEvent& event)
{
    switch (event.kind) {
    case CLineEvent::Kind::Refused:
    case CLineEvent::Kind::Lost:
    case CLineEvent::Kind::ClosedByUser:
        lineFault = {event.portName, event.reason, event.kind == CLineEvent::Kind::Lost};
        break;
    case CLineEvent::Kind::Back:
        lineFault = {};
        break;
    case CLineEvent::Kind::Replaced:
        lineFault = {};
        droppedBySystem = 0;
        break;
    case CLineEvent::Kind::DroppedBySystem:
        droppedBySystem += event.count;
        break;
    case CLineEvent::Kind::Reconnecting:
        return;  // still lost until it has been read
    }
    portTextStale = true;
    UpdatePortPane();
}

void CMainFrame::OnOpenCapture()
{
    const QStringList files = QFileDialog::getOpenFileNames(
        this, "Open Capture", QString(),
        "Captures and logs (*.jsonl *.json *.raw *.csv);;All files (*)");
    if (!files.isEmpty() && document)
        document->OpenCapture(files);
}

void CMainFrame::OnCaptureChanged()
{
    CCapturePlayer* capture = document ? document->Capture() : nullptr;
    playerBar->SetPlayer(capture);
    setWindowTitle(capture ? QString("Vantrel - %1 (capture)").arg(capture->Title()) : QString("Vantrel"));
    // The line's settings are read afresh once it is back.
    portSettingsKnown = false;
    portTextStale = true;
    lineFault = {};
    droppedBySystem = 0;
    UpdateCommandUi();
}

void CMainFrame::OnNewDocument()
{
    if (document)
        document->OnNewDocument();
    view->clear();
}

void CMainFrame::OnAbout()
{
    CAboutBox about(this);
    about.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // The reader thread ends and the logs close before the windows go.
    if (document)
        document->OnCloseDocument();
    commandUiTimer->stop();
    event->accept();
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && toolBar)
        ApplyToolbarArtwork();
    if (event->type() == QEvent::WindowStateChange && statusPanes)
        statusPanes->update();  // the size grip comes and goes with maximising
}
