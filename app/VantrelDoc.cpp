#include "app/VantrelDoc.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <utility>

#include "acquisition/MemorySettingsStore.h"
#include "acquisition/TelegramDecoder.h"
#include "app/CapturePlayer.h"
#include "app/ToolWindowTable.h"
#include "app/UserMessage.h"
#include "app/VantrelView.h"
#include "decoders/FormatTable.h"
#include "clock/Tickwarden.h"
#include "decoders/LogFiles.h"
#include "settings/Registry.h"
#include "simulation/DemoLine.h"

namespace {
// Shows the wait cursor while the controller may wait for the reader's pass.
class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

QString DescribeLogFile(const CLogFileState& file)
{
    const QString reason = file.error.empty() ? QStringLiteral("it could not be created")
                                              : QString::fromStdString(file.error);
    return QString("%1: %2").arg(QString::fromStdString(file.path), reason);
}

// Starting to log empties the CSV file and the raw file beside it: asks
// once before replacing either. True when neither exists or the user agrees.
bool ConfirmReplacingLogs(QWidget* parent, const QString& csvPath)
{
    const QString rawPath = QString::fromStdString(CLogFiles::RawPathFor(csvPath.toStdString()));
    QStringList existing;
    for (const QString& path : {csvPath, rawPath}) {
        if (QFileInfo(path).exists() || QFileInfo(path).isSymLink())
            existing << path;
    }
    if (existing.isEmpty())
        return true;
    QMessageBox question(QMessageBox::Warning, "Vantrel",
                         QString("Logging starts %1 afresh; what %2 now is lost:\n\n%3\n\nReplace %4?")
                             .arg(existing.size() == 1 ? "this file" : "these files",
                                  existing.size() == 1 ? "it holds" : "they hold", existing.join('\n'),
                                  existing.size() == 1 ? "it" : "them"),
                         QMessageBox::Yes | QMessageBox::No, parent);
    question.setDefaultButton(QMessageBox::No);
    question.setObjectName("replaceLogs");
    return question.exec() == QMessageBox::Yes;
}

QString LogFailureText(const CLogOpenResult& result)
{
    QString text = "Logging could not start.";
    if (result.csv.path.empty() && result.raw.path.empty())
        return text + "\n\nThe selected telegram type has no decoder, so nothing can be logged.";
    if (!result.csv.opened)
        text += "\n\n" + DescribeLogFile(result.csv);
    // Beside a CSV path refused, the raw log was not tried.
    if (!result.raw.opened && !result.raw.error.empty())
        text += "\n\n" + DescribeLogFile(result.raw);
    return text;
}
} // namespace

CVantrelDoc::CVantrelDoc(const Options& options, QObject* parent) : QObject(parent), options(options)
{
    viewTimer = new QTimer(this);
    viewTimer->setSingleShot(true);
    connect(viewTimer, &QTimer::timeout, this, &CVantrelDoc::ShowWaitingReport);
}

CVantrelDoc::~CVantrelDoc()
{
    OnCloseDocument();
}

bool CVantrelDoc::OnNewDocument()
{
    if (!registry)
        CreateStores();
    if (!controller)
        CreateController();
    if (!registry)
        ShowMessage("Internal error. Failed to create CRegistry", false);
    return true;
}

void CVantrelDoc::CreateStores()
{
    try {
        registry = std::make_unique<CRegistry>();
        registry->Create();
        registry->Open();
    } catch (const std::exception&) {
        registry.reset();
    }
}

void CVantrelDoc::CreateController()
{
    CSettingsStore* store = registry.get();
    if (options.demo) {
        // The demo run reads its own line; the port the user stored stays
        // as it is, whatever this run selects.
        demoSettings = std::make_unique<CMemorySettingsStore>(registry.get());
        std::int32_t type = kDefaultTelegramType;
        if (!demoSettings->ReadInt(kTelegramSetting, type))
            type = kDefaultTelegramType;
        try {
            demoLine = std::make_unique<CDemoLine>(type, options.demoRate);
            demoSettings->WriteString(kPortSetting, demoLine->PortName());
        } catch (const std::exception& error) {
            ShowMessage(QString("The simulated line could not be started: %1").arg(error.what()), false);
        }
        store = demoSettings.get();
    }
    try {
        controller = std::make_unique<CTelegramDecoder>(this, store);
    } catch (const std::exception&) {
        controller.reset();
        ShowMessage("Internal error. Failed to create CTelegramDecoder", false);
    }
}

void CVantrelDoc::OnCloseDocument()
{
    EndCapture();
    // The controller first: it refers to the store and reads the demo line.
    // Its logs close with it, and a failure to write or close them is told
    // now, before the window goes.
    if (controller) {
        controller.reset();
        closing = true;
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        closing = false;
    }
    demoLine.reset();
    demoSettings.reset();
    if (registry) {
        registry->Close();
        registry.reset();
    }
    for (const auto& [command, window] : toolWindows) {
        if (window)
            window->close();
    }
}

void CVantrelDoc::SetView(CVantrelView* newView)
{
    view = newView;
}

CVantrelView* CVantrelDoc::View() const
{
    return view;
}

void CVantrelDoc::SetMainWindow(QWidget* window)
{
    mainWindow = window;
}

void CVantrelDoc::SetFilterEnabled(bool enabled)
{
    filterEnabled = enabled;
    emit filterChanged();
}

void CVantrelDoc::SetFilterText(const QString& text)
{
    filterText = text;
    emit filterChanged();
}

bool CVantrelDoc::PassesFilter(const std::string& indexText) const
{
    if (!filterEnabled)
        return true;
    const QString index = QString::fromLatin1(indexText.data(), static_cast<qsizetype>(indexText.size()));
    return index.contains(filterText, Qt::CaseSensitive);
}

bool CVantrelDoc::IsDisplayPaused() const
{
    return controller && controller->IsPaused();
}

void CVantrelDoc::ApplyCommSettings(const std::string& portName, const std::string& configString,
                                    int receiveTimeout, int telegramType)
{
    if (!controller)
        return;
    const bool typeChanged = telegramType != controller->GetTelegramType();
    controller->SetCommSettings(portName, configString, receiveTimeout);
    controller->SelectTelegramType(telegramType);
    if (typeChanged && demoLine && portName == demoLine->PortName())
        demoLine->SetTelegramType(telegramType);
}

bool CVantrelDoc::IsLogging() const
{
    return controller && controller->IsLogging();
}

// ---------------------------------------------------------------- hand-off

void CVantrelDoc::OnTelegramDecoded(const CSharedTelegram& telegram)
{
    // Reader thread: the value waits, shared, for the user-interface thread,
    // which is woken once for whatever comes until it takes it.
    if (delivery.Push(telegram))
        QMetaObject::invokeMethod(this, &CVantrelDoc::TakeDelivered, Qt::QueuedConnection);
}

void CVantrelDoc::OnLogWriteError(const std::string& reason)
{
    const QString text = QString::fromStdString(reason);
    QMetaObject::invokeMethod(this, [this, text] { ReportLogWriteError(text); }, Qt::QueuedConnection);
}

void CVantrelDoc::OnLineEvent(const CLineEvent& event)
{
    if (delivery.Push(event))
        QMetaObject::invokeMethod(this, &CVantrelDoc::TakeDelivered, Qt::QueuedConnection);
}

void CVantrelDoc::TakeDelivered()
{
    CDeliveryQueue::CBatch batch = delivery.TakeAll();
    missedByWindow += batch.leftOut;
    for (const CDeliveryQueue::CItem& item : batch.items) {
        if (const auto* telegram = std::get_if<CSharedTelegram>(&item))
            Deliver(*telegram);
        else
            DeliverLineEvent(std::get<CLineEvent>(item));
    }
}

void CVantrelDoc::Deliver(const CSharedTelegram& telegram)
{
    // The line's models count and keep it whether their windows are open or
    // not, and whether the display is paused or not, so that they show the
    // whole run when they are; the hex window's store takes its bytes while
    // it is open.
    toolWindowModels.Add(*telegram);
    OfferToView(telegram);
    // The verdict pane tells the last telegram's verdict, also of one whose
    // report the view had no time for: a bad telegram never hides behind a
    // good report.
    if (ViewShows()) {
        const CTelegramVerdict verdict = telegram->record.Verdict();
        emit telegramJudged(verdict.Good(), QString::fromLatin1(verdict.Word()));
    }
    emit telegramDelivered();
    if (telegram->holdsSeveralTelegrams && !severalTelegramsTold) {
        severalTelegramsTold = true;
        emit severalTelegramsInRead();
    }
}

void CVantrelDoc::DeliverLineEvent(const CLineEvent& event)
{
    toolWindowModels.OnLineEvent(event);
    emit lineEvent(event);
}

bool CVantrelDoc::ViewShows() const
{
    // A main window that the user has closed is no longer shown and gets
    // nothing, even while it waits to be deleted: its view would otherwise
    // still light the lights of a closed frame. A paused view holds its report.
    return view && view->isVisible() && !IsDisplayPaused();
}

void CVantrelDoc::OfferToView(const CSharedTelegram& telegram)
{
    if (!ViewShows())
        return;
    if (!waitingForView && (!sinceShown.isValid() || sinceShown.elapsed() >= kViewGapMs)) {
        ShowInView(*telegram);
        return;
    }
    // The view's turn has not come: the latest waits for it. A report the
    // filter blocks never takes the place of one it lets through.
    const bool passes = PassesFilter(telegram->IndexText());
    if (waitingForView && PassesFilter(waitingForView->IndexText())) {
        if (!passes)
            return;
        ++leftOutOfView;
    }
    waitingForView = telegram;
    if (!viewTimer->isActive())
        viewTimer->start(std::max<qint64>(0, kViewGapMs - sinceShown.elapsed()));
}

void CVantrelDoc::ShowWaitingReport()
{
    const CSharedTelegram telegram = std::exchange(waitingForView, nullptr);
    if (telegram && ViewShows())
        ShowInView(*telegram);
}

void CVantrelDoc::ShowInView(const CDecodedTelegram& telegram)
{
    sinceShown.start();
    try {
        view->ShowReport(telegram.report, telegram.IndexText(), telegram.Status());
    } catch (const std::exception&) {
    }
}

void CVantrelDoc::OnNotice(const std::string& text)
{
    QString sentence = QString::fromStdString(text);
    if (!sentence.isEmpty())
        sentence = sentence.left(1).toUpper() + sentence.mid(1) + ".";
    QMetaObject::invokeMethod(this, [this, sentence] { ShowMessage(sentence, false); }, Qt::QueuedConnection);
}

void CVantrelDoc::ReportLogWriteError(const QString& reason)
{
    // The controller has already switched logging off.
    if (!writeErrorShown) {
        writeErrorShown = true;
        const QString text = QString("Logging has stopped: the log files could not be written.\n\n%1").arg(reason);
        if (closing)
            ShowMessageAndWait(text);  // the window is about to go
        else
            ShowMessage(text, true);
    }
    emit loggingChanged();
}

// ---------------------------------------------------------------- captures

bool CVantrelDoc::OpenCapture(const QStringList& files)
{
    const int fallbackType = controller ? controller->GetTelegramType() : kDefaultTelegramType;
    const std::optional<CCapturePlayer::COpened> opened = CCapturePlayer::Index(files, fallbackType, mainWindow);
    if (!opened)
        return false;
    if (!opened->messages.isEmpty()) {
        const QStringList shown = opened->messages.mid(0, 20);
        ShowMessage(QString("Some of the capture could not be read; the rest %1.\n\n%2%3")
                        .arg(opened->index ? "plays" : "is empty", shown.join('\n'),
                             opened->messages.size() > shown.size() ? "\n..." : ""),
                    !opened->index);
    }
    if (!opened->index)
        return false;
    // The line is closed while a capture plays; its logs close with it.
    EndCapture();
    controller.reset();
    ClearModelsAfterQueued();
    capture = std::make_unique<CCapturePlayer>(files, opened->typeCode, opened->index,
                                               [this](const CSharedTelegram& telegram) { Deliver(telegram); });
    connect(capture.get(), &CCapturePlayer::sought, this, [this] { toolWindowModels.Line()->Clear(); });
    connect(capture.get(), &CCapturePlayer::message, this, &CVantrelDoc::captureMessage);
    SetToolWindowClocks();
    emit captureChanged();
    capture->Play();
    return true;
}

void CVantrelDoc::CloseCapture()
{
    if (!capture)
        return;
    EndCapture();
    ClearModelsAfterQueued();
    CreateController();
    emit captureChanged();
}

void CVantrelDoc::EndCapture()
{
    capture.reset();
    SetToolWindowClocks();
}

void CVantrelDoc::SetToolWindowClocks()
{
    for (const auto& [command, window] : toolWindows) {
        if (window)
            window->SetClock(ToolWindowClock());
    }
}

void CVantrelDoc::ClearModelsAfterQueued()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            TakeDelivered();
            toolWindowModels.Line()->Clear();
            leftOutOfView = 0;
            missedByWindow = 0;
        },
        Qt::QueuedConnection);
}

CToolWindow::Clock CVantrelDoc::ToolWindowClock() const
{
    if (CCapturePlayer* player = capture.get())
        return [player] { return player->Now(); };
    return &CTickwarden::GetPCMilliSecs;
}

// ---------------------------------------------------------------- commands

CToolWindow* CVantrelDoc::ToolWindow(int commandId) const
{
    const auto found = toolWindows.find(commandId);
    return found != toolWindows.end() ? found->second.data() : nullptr;
}

void CVantrelDoc::OnToolWindow(int commandId)
{
    const CToolWindowEntry* entry = CToolWindowTable::Find(commandId);
    if (!entry)
        return;
    if (CToolWindow* open = ToolWindow(commandId)) {
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    CToolWindow* window = entry->open(toolWindowModels);
    window->SetClock(ToolWindowClock());
    toolWindows[commandId] = window;
    connect(window, &CToolWindow::closed, this, &CVantrelDoc::toolWindowsChanged, Qt::QueuedConnection);
    window->show();
    emit toolWindowsChanged();
}

QString CVantrelDoc::AskForLogPath(QWidget* parent)
{
    QFileDialog dialog(parent);
    PrepareSaveDialog(dialog, {"save as", "CSV Files (*.csv)", "csv", "vantrel"});
    // The dialog's own question would cover the CSV file only; the one
    // asked here covers the raw file beside it too. No chooses again.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString path = dialog.selectedFiles().constFirst();
        if (ConfirmReplacingLogs(parent, path))
            return path;
    }
    return {};
}

void CVantrelDoc::OnLogData()
{
    if (!controller)
        return;
    bool on = !controller->IsLogging();
    QString path;
    if (on) {
        path = chooseLogPath ? chooseLogPath(mainWindow) : AskForLogPath(mainWindow);
        on = !path.isEmpty();
    }
    CLogOpenResult result;
    {
        CWaitCursor waitCursor;
        result = controller->SetLogging(on, path.toStdString());
    }
    if (on) {
        if (result.Ok())
            writeErrorShown = false;
        else
            ShowMessage(LogFailureText(result), true);
    }
    emit loggingChanged();
}

void CVantrelDoc::ShowMessageAndWait(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, "Vantrel", text, QMessageBox::Ok, mainWindow);
    box.setObjectName("documentMessage");
    box.exec();
}

void CVantrelDoc::ShowMessage(const QString& text, bool critical)
{
    ShowUserMessage(mainWindow, text, critical ? QMessageBox::Critical : QMessageBox::Warning,
                    "documentMessage");
}
