#include <QApplication>
#include <clocale>
#include <cstdio>

#include "app/VantrelApp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // Qt takes the user's locale for the C library too; the reports and the
    // CSV logs must keep a decimal point whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    const QStringList arguments = QApplication::arguments();
    if (arguments.contains("--help") || arguments.contains("-h")) {
        std::fputs(qPrintable(CVantrelApp::Usage()), stdout);
        return 0;
    }
    CVantrelApp::Options options;
    QString error;
    if (!CVantrelApp::ParseArguments(arguments, options, error)) {
        std::fprintf(stderr, "vantrel: %s\n%s", qPrintable(error), qPrintable(CVantrelApp::Usage()));
        return 2;
    }
    CVantrelApp vantrel(options);
    if (!vantrel.InitInstance())
        return 1;
    return QApplication::exec();
}
