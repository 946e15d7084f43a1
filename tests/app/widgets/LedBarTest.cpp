// The LED bar of the timing window: how many LEDs light and in which colour.
#include <QImage>
#include <QtTest>

#include "app/widgets/LedBar.h"

class CLedBarTest : public QObject {
    Q_OBJECT

    // A bar of 12 LEDs on the scale of the timing window with timeout 10.
    static void Scale(CiLedBarX& bar, double maximum)
    {
        bar.resize(192, 16);
        QVERIFY(bar.SetProperty(CiLedBarX::kMinimum, 0.0));
        QVERIFY(bar.SetProperty(CiLedBarX::kMaximum, maximum));
        QVERIFY(bar.SetProperty(CiLedBarX::kSectionEnd1, maximum * 0.5));
        QVERIFY(bar.SetProperty(CiLedBarX::kSectionEnd2, maximum * 0.75));
    }

private slots:
    void LightsInProportionToThePosition()
    {
        CiLedBarX bar;
        Scale(bar, 10.0);
        QCOMPARE(bar.LedCount(), 12);
        const std::pair<double, int> cases[] = {
            {0.0, 0}, {-3.0, 0}, {0.4, 0}, {0.5, 1}, {5.0, 6}, {7.5, 9}, {10.0, 12}, {10.5, 12}, {1e300, 12},
        };
        for (const auto& [position, lit] : cases) {
            QVERIFY(bar.SetProperty(CiLedBarX::kPosition, position));
            QCOMPARE(bar.LitCount(), lit);
        }
    }

    void SectionsAreGreenYellowRed()
    {
        CiLedBarX bar;
        Scale(bar, 10.0);
        QStringList colours;
        for (int led = 0; led < bar.LedCount(); ++led)
            colours << (bar.LedColour(led).green() > 150 ? (bar.LedColour(led).red() > 150 ? "Y" : "G") : "R");
        QCOMPARE(colours.join(QString()), QString("GGGGGGYYYRRR"));
    }

    void AnEmptyOrUnreadableScaleLightsNothingButAnOverflow()
    {
        CiLedBarX bar;
        for (const double maximum : {0.0, -5.0}) {
            Scale(bar, maximum);
            bar.SetPosition(maximum);
            QCOMPARE(bar.LitCount(), 0);
            bar.SetPosition(maximum + 1.0);
            QCOMPARE(bar.LitCount(), bar.LedCount());
        }
        Scale(bar, std::nan(""));
        bar.SetPosition(3.0);
        QCOMPARE(bar.LitCount(), 0);
        bar.SetPosition(std::nan(""));
        QCOMPARE(bar.LitCount(), 0);
        QImage image(bar.size(), QImage::Format_ARGB32);
        bar.render(&image);  // draws without trouble
    }

    void UnknownPropertiesAreRefused()
    {
        CiLedBarX bar;
        QVERIFY(!bar.SetProperty(13, 4.0));
        QCOMPARE(bar.Maximum(), 100.0);
        QCOMPARE(bar.SectionEnd1(), 50.0);
        QCOMPARE(bar.SectionEnd2(), 75.0);
    }
};

QTEST_MAIN(CLedBarTest)
#include "LedBarTest.moc"
