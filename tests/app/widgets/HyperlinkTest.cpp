// The link control: its colours as the pointer comes and goes, what a click
// does when the address opens and when it does not, and the texts it uses.
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include "app/widgets/HyperlinkStatic.h"

class CHyperlinkTest : public QObject {
    Q_OBJECT

    QPointer<QWidget> page;
    QPointer<CHyperlinkStatic> link;
    QStringList openedUrls;

private slots:
    void init()
    {
        openedUrls.clear();
        page = new QWidget;
        page->resize(400, 100);
        link = new CHyperlinkStatic(page);
        link->setGeometry(100, 40, 250, 20);
        link->SetUrl("https://www.quorvane.example/vantrel");
        link->SetColours(QColor(255, 255, 0), QColor(255, 255, 0), QColor(255, 0, 0));
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page));
    }
    void cleanup() { delete page; }

    void ShowsItsAddressUnderlinedWithAHandAndATooltip()
    {
        QCOMPARE(link->text(), QString("https://www.quorvane.example/vantrel"));
        QCOMPARE(link->toolTip(), link->GetUrl());
        QVERIFY(link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        // Fitted around its text, still starting where it was placed.
        QCOMPARE(link->geometry().topLeft(), QPoint(100, 40));
        QCOMPARE(link->width(), link->fontMetrics().horizontalAdvance(link->text()));
        link->SetUnderline(false);
        QVERIFY(!link->font().underline());
    }

    void TheTextOrTheAddressFillsInForTheOther()
    {
        CHyperlinkStatic fromText(page);
        fromText.setText("https://example.org/a");
        fromText.show();
        QCOMPARE(fromText.GetUrl(), QString("https://example.org/a"));
        QCOMPARE(fromText.toolTip(), QString("https://example.org/a"));
    }

    void AutoSizeKeepsTheAlignedEdge()
    {
        auto* right = new CHyperlinkStatic(page);
        right->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        right->setGeometry(0, 0, 300, 40);
        right->SetUrl("x.example");
        right->show();
        QCOMPARE(right->geometry().right(), 299);
        QVERIFY(qAbs(right->geometry().center().y() - 20) <= 1);
        QVERIFY(right->width() < 300);
    }

    void HoverTurnsTheLinkRedAndLeavingTurnsItBack()
    {
        QCOMPARE(link->CurrentColour(), QColor(255, 255, 0));
        QEnterEvent enter(QPointF(2, 2), QPointF(102, 42), QPointF(102, 42));
        QApplication::sendEvent(link, &enter);
        QVERIFY(link->IsMouseOver());
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        QVERIFY(!link->IsMouseOver());
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    }

    void WithoutAHoverColourTheHighlightIsUsed()
    {
        link->SetColours(QColor(0, 0, 238), QColor(85, 26, 139));
        QCOMPARE(link->GetHoverColour(), link->palette().color(QPalette::Highlight));
        CHyperlinkStatic plain;
        QCOMPARE(plain.GetLinkColour(), QColor(0, 0, 238));
        QCOMPARE(plain.GetVisitedColour(), QColor(85, 26, 139));
    }

    void AClickThatOpensMarksTheLinkVisited()
    {
        link->SetColours(QColor(0, 0, 238), QColor(85, 26, 139), QColor(255, 0, 0));
        link->SetUrlOpener([this](const QString& url) {
            openedUrls << url;
            return CHyperlinkStatic::kOpenedCode;
        });
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(openedUrls, QStringList{"https://www.quorvane.example/vantrel"});
        QVERIFY(link->IsVisited());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(85, 26, 139));
    }

    void AClickThatFailsBeepsExplainsAndStaysUnvisited()
    {
        link->SetVisited(true);
        link->SetUrlOpener([](const QString&) { return 26; });
        QString shown;
        QTimer::singleShot(0, [&shown] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                QCOMPARE(box->icon(), QMessageBox::Warning);
                box->accept();
            }
        });
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(shown, QString("Unable to open hyperlink:\n\nA sharing violation occurred. "));
        QVERIFY(!link->IsVisited());
    }

    void ErrorTexts()
    {
        QCOMPARE(CHyperlinkStatic::ErrorMessage(26), QString("Unable to open hyperlink:\n\nA sharing violation occurred. "));
        QCOMPARE(CHyperlinkStatic::ErrorMessage(4), QString("Unable to open hyperlink:\n\nUnknown Error (4) occurred."));
        QCOMPARE(CHyperlinkStatic::ErrorMessage(-7), QString("Unable to open hyperlink:\n\nUnknown Error (-7) occurred."));
        QCOMPARE(CHyperlinkStatic::ErrorMessage(0),
                 QString("Unable to open hyperlink:\n\nThe operating system is out\nof memory or resources."));
        QCOMPARE(CHyperlinkStatic::ErrorMessage(31),
                 QString("Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension."));
        QCOMPARE(CHyperlinkStatic::ErrorMessage(33), QString("Unable to open hyperlink:\n\nUnknown Error (33) occurred."));
    }

    void BrowserCommandLines()
    {
        const QString url = "https://www.quorvane.example/vantrel";
        QCOMPARE(CHyperlinkStatic::CommandLineForUrl(R"("C:\Browser\browse.exe" -nohome "%1" -x)", url),
                 R"("C:\Browser\browse.exe" -nohome  )" + url);
        QCOMPARE(CHyperlinkStatic::CommandLineForUrl("browse -new %1 %1", url), "browse -new  " + url);
        QCOMPARE(CHyperlinkStatic::CommandLineForUrl("browse", url), "browse " + url);
        // The quoted placeholder wins over an earlier bare one.
        QCOMPARE(CHyperlinkStatic::CommandLineForUrl(R"(browse %1x "%1")", url), "browse %1x  " + url);
        QCOMPARE(CHyperlinkStatic::CommandLineForUrl("", url), " " + url);
    }
};

QTEST_MAIN(CHyperlinkTest)
#include "HyperlinkTest.moc"
