#include "app/widgets/HyperlinkStatic.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QUrl>

#include <utility>

namespace {

QString FailureText(int code)
{
    switch (code) {
    case 0: return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2: return QStringLiteral("The specified file was not found.");
    case 3: return QStringLiteral("The specified path was not found.");
    case 5: return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8: return QStringLiteral("There was not enough memory to complete the operation.");
    case 11: return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26: return QStringLiteral("A sharing violation occurred. ");
    case 27: return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28: return QStringLiteral("The DDE transaction could not\nbe completed because the request timed out.");
    case 29: return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral("The DDE transaction could not\nbe completed because other DDE transactions\n"
                              "were being processed.");
    case 31: return QStringLiteral("There is no application associated\nwith the given filename extension.");
    case 32: return QStringLiteral("The specified dynamic-link library was not found.");
    default: return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
    }
}

} // namespace

CHyperlinkStatic::CHyperlinkStatic(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    // Like any static text it sits at the top left of its place unless told otherwise.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAutoFillBackground(false);
    setCursor(linkCursor);
    ApplyFont();
    ApplyColour();
}

void CHyperlinkStatic::showEvent(QShowEvent* event)
{
    if (!attached)
        Attach();
    QLabel::showEvent(event);
}

// The first time the link is shown it takes its address from its text, or
// shows its address when it has no text, and fits itself around the text.
void CHyperlinkStatic::Attach()
{
    attached = true;
    if (url.isEmpty())
        url = text();
    if (text().isEmpty())
        setText(url);
    setToolTip(url);
    if (autoSize)
        ResizeToText();
}

void CHyperlinkStatic::SetUrl(const QString& newUrl)
{
    url = newUrl;
    setToolTip(url);
    if (attached && autoSize)
        ResizeToText();
}

void CHyperlinkStatic::SetColours(const QColor& link, const QColor& visitedLink, const QColor& hover)
{
    linkColour = link;
    visitedColour = visitedLink;
    hoverColour = hover;
    ApplyColour();
}

QColor CHyperlinkStatic::GetHoverColour() const
{
    return hoverColour.isValid() ? hoverColour : palette().color(QPalette::Highlight);
}

QColor CHyperlinkStatic::CurrentColour() const
{
    if (mouseOver)
        return GetHoverColour();
    return visited ? visitedColour : linkColour;
}

void CHyperlinkStatic::SetVisited(bool isVisited)
{
    visited = isVisited;
    ApplyColour();
}

void CHyperlinkStatic::SetLinkCursor(const QCursor& cursor)
{
    linkCursor = cursor;
    setCursor(linkCursor);
}

void CHyperlinkStatic::SetUnderline(bool isUnderlined)
{
    underline = isUnderlined;
    ApplyFont();
}

void CHyperlinkStatic::SetAutoSize(bool isAutoSized)
{
    autoSize = isAutoSized;
    if (autoSize && attached)
        ResizeToText();
}

void CHyperlinkStatic::SetUrlOpener(UrlOpener newOpener)
{
    opener = std::move(newOpener);
}

void CHyperlinkStatic::ApplyColour()
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, CurrentColour());
    setPalette(colours);
    repaint();
}

void CHyperlinkStatic::ApplyFont()
{
    QFont linkFont = font();
    linkFont.setUnderline(underline);
    setFont(linkFont);
    if (autoSize && attached)
        ResizeToText();
}

// Shrinks the control around its text, keeping the side (or the middle) its
// alignment names where it was.
void CHyperlinkStatic::ResizeToText()
{
    const QSize textSize = fontMetrics().size(Qt::TextSingleLine, text());
    const QRect area = geometry();
    const Qt::Alignment align = alignment();
    int left = area.left();
    if (align & Qt::AlignHCenter)
        left += (area.width() - textSize.width()) / 2;
    else if (align & Qt::AlignRight)
        left += area.width() - textSize.width();
    int top = area.top();
    if (align & Qt::AlignVCenter)
        top += (area.height() - textSize.height()) / 2;
    setGeometry(left, top, textSize.width(), textSize.height());
}

void CHyperlinkStatic::enterEvent(QEnterEvent* event)
{
    mouseOver = true;
    ApplyColour();
    QLabel::enterEvent(event);
}

void CHyperlinkStatic::leaveEvent(QEvent* event)
{
    mouseOver = false;
    ApplyColour();
    QLabel::leaveEvent(event);
}

void CHyperlinkStatic::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Activate();
    QLabel::mouseReleaseEvent(event);
}

void CHyperlinkStatic::Activate()
{
    const int result = OpenUrl(url);
    SetVisited(result > 32);
    if (visited)
        return;
    QApplication::beep();
    ReportError(result);
}

int CHyperlinkStatic::OpenUrl(const QString& address) const
{
    return opener ? opener(address) : kNoAssociationCode;
}

QString CHyperlinkStatic::ErrorMessage(int code)
{
    return QStringLiteral("Unable to open hyperlink:\n\n") + FailureText(code);
}

void CHyperlinkStatic::ReportError(int code)
{
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), ErrorMessage(code), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

int CHyperlinkStatic::OpenWithDesktop(const QString& address)
{
    if (QDesktopServices::openUrl(QUrl(address)))
        return kOpenedCode;
    const QString browser = qEnvironmentVariable("BROWSER");
    if (browser.isEmpty())
        return kNoAssociationCode;
    // The address goes to the browser as one argument of its own, never
    // through a shell, so no character in it can change the command.
    QStringList arguments = QProcess::splitCommand(CommandPrefix(browser));
    if (arguments.isEmpty())
        return kNoAssociationCode;
    const QString program = arguments.takeFirst();
    arguments << address;
    return QProcess::startDetached(program, arguments) ? kOpenedCode : 0;
}

QString CHyperlinkStatic::CommandPrefix(const QString& commandLine)
{
    qsizetype cut = commandLine.indexOf(QStringLiteral("\"%1\""));
    if (cut < 0)
        cut = commandLine.indexOf(QStringLiteral("%1"));
    return cut < 0 ? commandLine : commandLine.left(cut);
}

QString CHyperlinkStatic::CommandLineForUrl(const QString& commandLine, const QString& address)
{
    return CommandPrefix(commandLine) + QChar(' ') + address;
}
