#pragma once
// A text that behaves as a link: underlined, in the link colour, in the
// hover colour while the pointer is over it and in the visited colour once
// it has been opened. A click opens the address in the desktop's browser;
// when that fails the user hears a beep and is told why.
#include <QColor>
#include <QCursor>
#include <QLabel>

#include <functional>

class CHyperlinkStatic : public QLabel {
    Q_OBJECT
public:
    // Opens an address and gives a result code: above 32 means it opened,
    // anything else is one of the failure codes of ErrorMessage.
    using UrlOpener = std::function<int(const QString& url)>;
    static constexpr int kOpenedCode = 33;
    static constexpr int kNoAssociationCode = 31;

    explicit CHyperlinkStatic(QWidget* parent = nullptr);

    void SetUrl(const QString& url);
    QString GetUrl() const { return url; }

    // An invalid hover colour stands for the palette's highlight colour.
    void SetColours(const QColor& link, const QColor& visited, const QColor& hover = QColor());
    QColor GetLinkColour() const { return linkColour; }
    QColor GetVisitedColour() const { return visitedColour; }
    QColor GetHoverColour() const;
    // The colour the text is drawn in now.
    QColor CurrentColour() const;

    void SetVisited(bool visited);
    bool IsVisited() const { return visited; }
    bool IsMouseOver() const { return mouseOver; }

    void SetLinkCursor(const QCursor& cursor);
    QCursor GetLinkCursor() const { return linkCursor; }

    void SetUnderline(bool underline);
    bool GetUnderline() const { return underline; }

    void SetAutoSize(bool autoSize);
    bool GetAutoSize() const { return autoSize; }

    // Replaces how addresses are opened (the desktop's browser by default).
    void SetUrlOpener(UrlOpener opener);
    int OpenUrl(const QString& url) const;
    void ReportError(int code);

    static QString ErrorMessage(int code);
    // The desktop's way of opening an address, falling back on the browser
    // command in $BROWSER.
    static int OpenWithDesktop(const QString& url);
    // A browser command line with the placeholder for the address cut off:
    // at the first "%1" in double quotes, else at the first bare %1.
    static QString CommandPrefix(const QString& commandLine);
    // The command line that opens url: the prefix, one blank, the address.
    static QString CommandLineForUrl(const QString& commandLine, const QString& url);

protected:
    void showEvent(QShowEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Attach();
    void ApplyColour();
    void ApplyFont();
    void ResizeToText();
    void Activate();

    QString url;
    QColor linkColour{0, 0, 238};
    QColor visitedColour{85, 26, 139};
    QColor hoverColour;  // invalid: the palette's highlight colour
    bool mouseOver = false;
    bool visited = false;
    bool underline = true;
    bool autoSize = true;
    bool attached = false;
    QCursor linkCursor{Qt::PointingHandCursor};
    UrlOpener opener = &CHyperlinkStatic::OpenWithDesktop;
};
