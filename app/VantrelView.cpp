#include "app/VantrelView.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <thread>

#include "acquisition/TelegramDecoder.h"
#include "app/CommSettingsDlg.h"
#include "app/SplashWindow.h"
#include "app/TelegramFilterDlg.h"
#include "app/UserMessage.h"
#include "app/VantrelDoc.h"
#include "app/widgets/FixedPitchFont.h"
#include "report/RtfReader.h"

namespace {
constexpr double kPrintMarginInches = 0.5;

QTextCharFormat FormatFor(const CRtfRun& run, const QFont& fixedFont)
{
    QTextCharFormat format;
    format.setFontFamilies({fixedFont.family()});
    format.setFontFixedPitch(true);
    format.setFontPointSize(run.fontSize > 0 ? run.fontSize / 2.0 : fixedFont.pointSizeF());
    format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
    format.setFontUnderline(run.underline);
    if (run.colour == 1)
        format.setForeground(CVantrelView::RawColumnColour());
    else if (run.colour == 2)
        format.setForeground(CVantrelView::HighlightColour());
    return format;
}

// Lifts the pause and ends configuring however Configure ends.
class CUnpauseOnExit {
public:
    CUnpauseOnExit(CTelegramDecoder& controller, bool& configuring) : controller(controller), configuring(configuring)
    {
    }
    ~CUnpauseOnExit()
    {
        controller.SetPaused(false);
        configuring = false;
    }
    CUnpauseOnExit(const CUnpauseOnExit&) = delete;
    CUnpauseOnExit& operator=(const CUnpauseOnExit&) = delete;

private:
    CTelegramDecoder& controller;
    bool& configuring;
};
} // namespace

CVantrelView::CVantrelView(CVantrelDoc* owner, QWidget* parent)
    : QTextEdit(parent), vantrelDoc(owner), openSnapshot(&CVantrelView::OpenInTextEditor)
{
    setLineWrapMode(QTextEdit::NoWrap);
    setFont(CFixedPitchFont::Choose());
    if (vantrelDoc)
        vantrelDoc->SetView(this);
}

CVantrelView::~CVantrelView()
{
    // The snapshots hold the user's notes; the editor has read them by now.
    for (const QString& path : snapshotPaths)
        QFile::remove(path);
}

void CVantrelView::RenderReport(const std::string& report, QTextDocument& target)
{
    const QFont fixedFont = CFixedPitchFont::Choose();
    target.clear();
    QTextCursor cursor(&target);
    cursor.beginEditBlock();
    for (const CRtfRun& run : CRtfReader::Parse(report, CRtfReader::TextLineEnds::Break)) {
        if (run.lineBreak) {
            cursor.insertBlock();
            continue;
        }
        // The line's bytes: everything from 0x80 up is a Latin-1 character.
        cursor.insertText(QString::fromLatin1(run.text.data(), static_cast<qsizetype>(run.text.size())),
                          FormatFor(run, fixedFont));
    }
    cursor.endEditBlock();
}

void CVantrelView::ShowReport(const std::string& report, const std::string& indexText, TelegramStatus status)
{
    // The status, not the report's words: a sentence may carry any text.
    emit flashReceiveLight(status == kStatusTimedOut);
    if (!vantrelDoc)
        return;
    if (vantrelDoc->IsFilterEnabled()) {
        const bool passes = vantrelDoc->PassesFilter(indexText);
        emit flashBlockLight(!passes);
        if (!passes)
            return;  // the previous report stays on the screen
    }
    // The user may annotate a report; undo takes back that typing, never
    // the report itself, and each new report starts with nothing to undo.
    setUndoRedoEnabled(false);
    RenderReport(report, *document());
    setUndoRedoEnabled(true);
}

bool CVantrelView::IsPaused() const
{
    const CTelegramDecoder* controller = vantrelDoc ? vantrelDoc->telegramDecoder() : nullptr;
    return controller && controller->IsPaused();
}

void CVantrelView::OnPause()
{
    CTelegramDecoder* controller = vantrelDoc ? vantrelDoc->telegramDecoder() : nullptr;
    if (!controller)
        return;
    controller->SetPaused(!controller->IsPaused());
    emit pauseChanged();
}

void CVantrelView::OnConfigure()
{
    CTelegramDecoder* controller = vantrelDoc ? vantrelDoc->telegramDecoder() : nullptr;
    if (!controller)
        return;
    {
        // The view holds its report while the settings are open; the line
        // is read on with the settings it has, into the logs and the models.
        CUnpauseOnExit unpause(*controller, configuring);
        CCommSettingsDlg dialog(this);
        controller->SetPaused(true);
        configuring = true;
        emit pauseChanged();
        // An idle read is ended rather than waited out: the dialog opens at
        // once however long the receive timeout.
        controller->ReadCommSettings(dialog.portName, dialog.configString, dialog.receiveTimeout);
        dialog.telegramType = controller->GetTelegramType();
        dialog.framing = controller->GetFraming();
        if (dialog.exec() == QDialog::Accepted) {
            vantrelDoc->ApplyCommSettings(dialog.portName, dialog.configString, dialog.receiveTimeout,
                                        dialog.telegramType);
            if (dialog.framing != controller->GetFraming())
                controller->SetFraming(dialog.framing);
        }
    }
    emit pauseChanged();
    emit settingsChanged();
}

void CVantrelView::OnTelegramFilter()
{
    if (!vantrelDoc)
        return;
    if (vantrelDoc->IsFilterEnabled()) {
        vantrelDoc->SetFilterEnabled(false);  // the text is kept for next time
        return;
    }
    CTelegramFilterDlg dialog(vantrelDoc->GetFilterText(), this);
    if (dialog.exec() == QDialog::Accepted && !dialog.filterText.isEmpty()) {
        vantrelDoc->SetFilterText(dialog.filterText);
        vantrelDoc->SetFilterEnabled(true);
    }
}

int CVantrelView::OpenInTextEditor(const QString& path)
{
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return 0;
    return QStandardPaths::findExecutable("xdg-open").isEmpty() ? ENOENT : EIO;
}

void CVantrelView::OnSendToNotepad()
{
    QString text = toPlainText();
    text.remove(QChar('\r'));
    // A temporary directory that does not exist gives an empty path, which
    // must not put the snapshot at the root of the file system.
    const QString tempDir = QDir::tempPath();
    QTemporaryFile file(tempDir + "/vtdXXXXXX.txt");
    file.setAutoRemove(false);  // the editor opens it later; the view deletes it at the end
    const QByteArray bytes = text.toUtf8();
    // A snapshot that cannot be written is said so, rather than nothing happening.
    if (tempDir.isEmpty() || !file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        if (!file.fileName().isEmpty())
            file.remove();
        ShowMessage("Failed to write to temporary file\n", true);
        return;
    }
    file.close();
    lastSnapshotPath = file.fileName();
    snapshotPaths << lastSnapshotPath;
    const int error = openSnapshot ? openSnapshot(lastSnapshotPath) : ENOENT;
    if (error == ENOENT)
        ShowMessage("File or path is not found", false);
    else if (error != 0)
        ShowMessage(QString::asprintf("error %d forking notepad. Snapshot saved as '%s'", error,
                                      lastSnapshotPath.toLocal8Bit().constData()),
                    false);
}

QPrinter& CVantrelView::Printer()
{
    if (!printer) {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setPageMargins(QMarginsF(kPrintMarginInches, kPrintMarginInches, kPrintMarginInches,
                                          kPrintMarginInches),
                                QPageLayout::Inch);
    }
    return *printer;
}

void CVantrelView::PrintTo(QPrinter& target)
{
    // Laid out on the printable area itself: QTextDocument::print would add
    // two centimetres of its own inside the half-inch margins.
    const std::unique_ptr<QTextDocument> pages(document()->clone());
    QPainter painter;
    if (!painter.begin(&target))
        return;
    const QSizeF page = target.pageRect(QPrinter::DevicePixel).size();
    pages->documentLayout()->setPaintDevice(&target);
    pages->setDocumentMargin(0);
    pages->setPageSize(page);
    // The pages the user chose in the print dialog; all when none were chosen.
    const int first = target.fromPage() > 0 ? target.fromPage() - 1 : 0;
    const int last = target.toPage() > 0 ? std::min(target.toPage(), pages->pageCount()) - 1 : pages->pageCount() - 1;
    for (int index = first; index <= last; ++index) {
        if (index > first)
            target.newPage();
        const QRectF onPage(0, index * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -onPage.top());
        pages->drawContents(&painter, onPage);
        painter.restore();
    }
}

void CVantrelView::OnPrint()
{
    QPrintDialog dialog(&Printer(), this);
    if (dialog.exec() == QDialog::Accepted)
        PrintTo(Printer());
}

void CVantrelView::OnPrintPreview()
{
    QPrintPreviewDialog preview(&Printer(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) { PrintTo(*target); });
    preview.exec();
}

void CVantrelView::OnPrintSetup()
{
    // Chooses the printer and its options for the next print; prints nothing.
    QPrintDialog dialog(&Printer(), this);
    dialog.setWindowTitle("Print Setup");
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    dialog.exec();
}

void CVantrelView::showEvent(QShowEvent* event)
{
    QTextEdit::showEvent(event);
    if (!splashShown) {
        splashShown = true;
        CSplashWindow::ShowSplash(kSplashMilliseconds, this);
    }
}

void CVantrelView::ShowMessage(const QString& text, bool critical)
{
    ShowUserMessage(this, text, critical ? QMessageBox::Critical : QMessageBox::Warning, "viewMessage");
}
