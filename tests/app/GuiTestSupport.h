#pragma once
// Shared helpers of the window tests: a private settings directory, reports
// shaped like the decoders', and a way to answer a modal dialog that the
// code under test opens with exec().
#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QMessageBox>
#include <QSet>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/widgets/ColorStatusBar.h"
#include "report/ReportBuilder.h"

// Points XDG_CONFIG_HOME at a fresh directory before main() runs, so the
// settings file of the user running the tests is never read or written.
class CTestConfigHome {
public:
    CTestConfigHome()
    {
        char pattern[] = "/tmp/vantrel-gui-test-XXXXXX";
        if (const char* made = ::mkdtemp(pattern))
            path = made;
        ::setenv("XDG_CONFIG_HOME", path.c_str(), 1);
        ::unsetenv("VANTREL_PORTS");
    }
    ~CTestConfigHome()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};
inline CTestConfigHome testConfigHome;

// A report as a decoder writes it: the header line, a bold underlined
// heading and one field line whose raw column is in colour 1.
inline std::string SampleReport(const std::string& typeText, const std::string& fieldValue = "1C68EB43")
{
    CReportBuilder report;
    report.Append("Telegram type   : %s", typeText.c_str());
    report.NewLine();
    report.NewLine();
    report.UnderlineOn();
    report.BoldOn();
    report.Append("%-15s%-11s%s", "Tgram field", "Hex", "Interpretation");
    report.BoldOff();
    report.UnderlineOff();
    report.NewLine();
    report.Append("%-15s", "filt_x_pos");
    report.AppendHex("%-11s", fieldValue.c_str());
    report.Append("470.8");
    report.NewLine();
    return report.GetDocument();
}

// Runs action on the first visible window of type Window (matching
// objectName when given) as soon as it appears, within timeoutMs.
template <typename Window>
void WhenShown(std::function<void(Window*)> action, const QString& objectName = QString(), int timeoutMs = 10000)
{
    auto* poll = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, [poll, clock, action, objectName, timeoutMs] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<Window*>(widget);
            if (window && window->isVisible() && (objectName.isEmpty() || window->objectName() == objectName)) {
                poll->stop();
                poll->deleteLater();
                action(window);
                return;
            }
        }
        if (clock->elapsed() > timeoutMs) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(20);
}

// The visible message box with that object name, or null.
inline QMessageBox* VisibleMessage(const QString& objectName)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible() && box->objectName() == objectName)
            return box;
    }
    return nullptr;
}

// The colour a pane is filled with, read from the painted bar.
inline QColor PaneColour(CColorStatusBar& bar, int index)
{
    const QImage image = bar.grab().toImage();
    const QRect pane = bar.PaneRect(index);
    return image.pixelColor(pane.left() + 2, pane.top() + 2);
}

// Whether every printable ASCII character moves the pen by one width in font,
// in normal and in bold weight: what columns of text rely on.
inline bool AdvancesEvenly(QFont font)
{
    QSet<qreal> advances;
    for (const QFont::Weight weight : {QFont::Normal, QFont::Bold}) {
        font.setWeight(weight);
        const QFontMetricsF metrics(font);
        for (char16_t character = u' '; character <= u'~'; ++character)
            advances.insert(metrics.horizontalAdvance(QChar(character)));
    }
    if (advances.size() != 1)
        qWarning("%s advances by %lld different widths", qPrintable(QFontInfo(font).family()),
                 static_cast<long long>(advances.size()));
    return advances.size() == 1;
}
