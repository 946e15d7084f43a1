// The about box and the start-up splash: the picture, the texts over it, the
// link, and how each goes away.
#include <QImage>
#include <QPointer>
#include <QtTest>

#include <functional>
#include <vector>

#include "app/AboutBox.h"
#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/SplashWindow.h"
#include "app/VersionInfo.h"
#include "app/widgets/HyperlinkStatic.h"

namespace {

int CountSplashes()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<CSplashWindow*>(widget) != nullptr && widget->isVisible() ? 1 : 0;
    return count;
}

// How many pixels of the picture carry the dark blue of the texts.
int TextPixels(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    widget->render(&image);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == QColor(0, 32, 128) ? 1 : 0;
    return count;
}

// Where the texts' dark blue lies in the picture: the smallest rectangle
// holding every such pixel.
QRect TextBounds(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    widget->render(&image);
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == QColor(0, 32, 128))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// Every text keeps this far from the picture's edges.
constexpr int kMargin = 10;

// Each text the artwork draws over area lies inside it less the margin, and
// the product name, version and legal line are drawn whole.
void CheckTextLinesInside(const QRect& area)
{
    const QRect inside = area.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const CAboutArtwork artwork;
    const std::vector<CAboutArtwork::CTextLine> lines = artwork.TextLines(area);
    QCOMPARE(lines.size(), std::size_t(4));
    const CVersionTexts& texts = artwork.Texts();
    QCOMPARE(lines[0].text, texts.productName);
    QCOMPARE(lines[1].text, texts.versionLine);
    QCOMPARE(lines[2].text, texts.legalLine);
    QCOMPARE(lines[3].text, texts.licenceNotice);
    for (const CAboutArtwork::CTextLine& line : lines) {
        const QRect drawn = QFontMetrics(line.font).boundingRect(line.area, line.flags, line.text);
        QVERIFY2(inside.contains(drawn) && line.area.contains(drawn), qPrintable(line.text));
    }
}

// Runs check at the application's font and at one half as large again.
void AtDefaultAndLargerFont(const std::function<void(double scale)>& check)
{
    const QFont original = QApplication::font();
    for (const double scale : {1.0, 1.5}) {
        QFont font = original;
        font.setPointSizeF(original.pointSizeF() * scale);
        QApplication::setFont(font);
        check(scale);
        if (QTest::currentTestFailed())
            qWarning("at %g points", font.pointSizeF());
    }
    QApplication::setFont(original);
}

} // namespace

class CAboutBoxTest : public QObject {
    Q_OBJECT

private slots:
    void TheVersionTextsComeFromTheBuild()
    {
        const CVersionTexts texts = CVersionInfo::Texts();
        QCOMPARE(texts.productName, QString("Vantrel"));
        QVERIFY(texts.versionLine.startsWith("Version: "));
        QVERIFY(texts.versionLine.size() > 9);
        QVERIFY(texts.legalLine.contains("Quorvane International Ltd"));
        QVERIFY(!texts.licenceNotice.isEmpty());
    }

    void TheBoxShowsPictureTextsAndTheLink()
    {
        CAboutBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.windowTitle(), QString("About Vantrel"));
        QCOMPARE(box.size(), QSize(CDialogUnits::X(232), CDialogUnits::Y(215)));
        CHyperlinkStatic* link = FindControl<CHyperlinkStatic>(&box, 1025);
        QVERIFY(link != nullptr);
        QCOMPARE(link->GetUrl(), CVersionInfo::WebAddress());
        QCOMPARE(link->text(), CVersionInfo::WebAddress());
        QCOMPARE(link->geometry().right() + 1, CDialogUnits::X(131) + CDialogUnits::X(92));
        QCOMPARE(link->y(), CDialogUnits::Y(199));
        QVERIFY(link->x() >= 0);
        QCOMPARE(link->GetLinkColour(), QColor(255, 255, 0));
        QCOMPARE(link->GetVisitedColour(), QColor(255, 255, 0));
        QCOMPARE(link->GetHoverColour(), QColor(255, 0, 0));
        QVERIFY(TextPixels(&box) > 200);
    }

    void EveryTextFitsInsideTheBox()
    {
        AtDefaultAndLargerFont([](double scale) {
            CAboutBox box;
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            const QRect inside = box.rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
            CheckTextLinesInside(box.rect());
            QVERIFY(inside.contains(TextBounds(&box)));
            // The link is shown whole however large the desktop's font, and
            // in that font where it fits.
            const CHyperlinkStatic* link = box.Link();
            const QRect place = link->geometry();
            QVERIFY2(inside.contains(place), qPrintable(QString("link at %1,%2 %3x%4")
                                                            .arg(place.x())
                                                            .arg(place.y())
                                                            .arg(place.width())
                                                            .arg(place.height())));
            QVERIFY(link->width() >= link->fontMetrics().horizontalAdvance(link->text()));
            QVERIFY(link->height() >= link->fontMetrics().height());
            if (scale == 1.0)
                QCOMPARE(link->font().pointSizeF(), QApplication::font().pointSizeF());
        });
    }

    void EveryTextFitsInsideTheSplash()
    {
        AtDefaultAndLargerFont([](double) {
            CSplashWindow::ShowSplash(60000, nullptr);
            QPointer<CSplashWindow> splash = CSplashWindow::Current();
            QVERIFY(splash);
            const QRect area = splash->rect();
            const QRect texts = TextBounds(splash);
            delete splash;
            CheckTextLinesInside(area);
            QVERIFY(area.adjusted(kMargin, kMargin, -kMargin, -kMargin).contains(texts));
        });
    }

    void EnterAndEscapeCloseTheBox()
    {
        for (const auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            CAboutBox box;
            QTimer::singleShot(0, &box, [&box, key] { QTest::keyClick(&box, key); });
            QTimer::singleShot(3000, &box, [&box] { box.done(-1); });  // a box that stays open fails below
            const int result = box.exec();
            QVERIFY(result != -1);
        }
    }

    void ASecondSplashWhileOneShowsHasNoEffect()
    {
        QWidget mainWindow;
        mainWindow.resize(800, 600);
        mainWindow.show();
        CSplashWindow::ShowSplash(60000, &mainWindow);
        QVERIFY(CSplashWindow::IsShowing());
        QPointer<CSplashWindow> first = CSplashWindow::Current();
        QCOMPARE(first->size(), QSize(350, 350));
        QCOMPARE(first->geometry().center(), mainWindow.frameGeometry().center());
        QVERIFY(TextPixels(first) > 200);

        CSplashWindow::ShowSplash(100, &mainWindow);
        QCOMPARE(CSplashWindow::Current(), first.data());
        QCOMPARE(CountSplashes(), 1);
        first->close();
        QTRY_VERIFY(first.isNull());
        QVERIFY(!CSplashWindow::IsShowing());
    }

    void TheSplashClosesItselfAfterItsTime()
    {
        CSplashWindow::ShowSplash(100, nullptr);
        QPointer<CSplashWindow> splash = CSplashWindow::Current();
        QVERIFY(splash);
        QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 10000);
        QVERIFY(!CSplashWindow::IsShowing());
        // Once it has gone the next one may show.
        CSplashWindow::ShowSplash(100, nullptr);
        QVERIFY(CSplashWindow::IsShowing());
        QTRY_VERIFY_WITH_TIMEOUT(!CSplashWindow::IsShowing(), 10000);
    }

    void AMissingPictureLeavesNothingBehind()
    {
        CSplashWindow::UsePicture(":/no/such/picture.png");
        CSplashWindow::ShowSplash(60000, nullptr);
        QVERIFY(!CSplashWindow::IsShowing());
        QCOMPARE(CountSplashes(), 0);
        CSplashWindow::UsePicture(CAboutArtwork::DefaultPicturePath());
        CSplashWindow::ShowSplash(60000, nullptr);
        QVERIFY(CSplashWindow::IsShowing());
        delete CSplashWindow::Current();
        QVERIFY(!CSplashWindow::IsShowing());
    }
};

QTEST_MAIN(CAboutBoxTest)
#include "AboutBoxTest.moc"
