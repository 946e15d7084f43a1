#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstring>

#include "app/VantrelApp.h"

namespace {
bool HasArgument(int argc, char** argv, const char* wanted)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], wanted) == 0)
            return true;
    }
    return false;
}
} // namespace

int main(int argc, char** argv)
{
    // Answered before the window system is reached, so they work where
    // there is no display (over ssh, in a package check).
    if (HasArgument(argc, argv, "--version")) {
        std::printf("%s\n", qPrintable(CVantrelApp::VersionText()));
        return 0;
    }
    if (HasArgument(argc, argv, "--help") || HasArgument(argc, argv, "-h")) {
        std::fputs(qPrintable(CVantrelApp::Usage()), stdout);
        return 0;
    }
    QApplication application(argc, argv);
    // Qt takes the user's locale for the C library too; the reports and the
    // CSV logs must keep a decimal point whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    const QStringList arguments = QApplication::arguments();
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
