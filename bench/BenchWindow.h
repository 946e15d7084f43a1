#pragma once
// The main window of a window bench: offscreen, with throw-away settings,
// the tool windows VANTREL_BENCH_OPEN names (a comma-separated list of
// "hex", "timing", "plot", "stats"; every one without it) open beside it.
#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/MainFrame.h"
#include "app/ToolWindowTable.h"
#include "app/VantrelDoc.h"
#include "app/VantrelView.h"

// A whole number from the environment, at least 1; fallback without it.
inline int BenchSetting(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text ? std::max(1, std::atoi(text)) : fallback;
}

// Before the application: the offscreen platform and settings in config.
inline void UseOffscreenPlatform(const QTemporaryDir& config)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
}

class CBenchWindow {
public:
    // withLine: the document reads the stored port (none in the bench's
    // settings); without, only what the bench hands it arrives.
    explicit CBenchWindow(bool withLine) : view(new CVantrelView(&document)), frame(&document, view)
    {
        if (withLine)
            document.OnNewDocument();
        frame.resize(710, 660);
        frame.show();
        const char* names = std::getenv("VANTREL_BENCH_OPEN");
        for (const CToolWindowEntry& tool : CToolWindowTable::Entries()) {
            if (!names || ("," + std::string(names) + ",").find("," + std::string(tool.name) + ",") != std::string::npos)
                document.OnToolWindow(tool.commandId);
        }
    }

    CVantrelDoc document;
    CVantrelView* view;
    CMainFrame frame;
};
