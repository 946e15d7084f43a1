#include "app/ToolWindowTable.h"

#include <algorithm>
#include <memory>

#include "app/DataMonitorDlg.h"
#include "app/MainFrame.h"
#include "app/PositionPlotDlg.h"
#include "app/TelegramStatisticsDlg.h"
#include "app/TimingDiagnosticsDlg.h"
#include "app/ToolWindowModels.h"

namespace {

// A part of the line's models that keeps the whole alive while a window draws it.
template <typename Part>
std::shared_ptr<Part> PartOf(const std::shared_ptr<CLineModels>& models, Part& part)
{
    return std::shared_ptr<Part>(models, &part);
}

const CToolWindowEntry kToolWindows[] = {
    {CMainFrame::kHexWindow, "Hex Window", "View received data in hex form\nView received data in hex form", "hex",
     "hexWindowAction",
     [](CToolWindowModels& models) -> CToolWindow* { return new CDataMonitorDlg(models.StartHexBytes()); }},
    {CMainFrame::kTelegramTiming, "Telegram Timing", "View the time intervals between telegrams\nTiming information",
     "timing", "telegramTimingAction",
     [](CToolWindowModels& models) -> CToolWindow* {
         // A fresh look at the line: the window opens empty, with the
         // default timeout, and the plot fades by it from then on.
         const std::shared_ptr<CLineModels>& line = models.Line();
         line->Timing().Restart();
         return new CTimingDiagnosticsDlg(PartOf(line, line->Timing()));
     }},
    {CMainFrame::kPositionPlot, "Position Plot",
     "Show where the telegrams put each index, on a plan\nPosition plot", "plot", "positionPlotAction",
     [](CToolWindowModels& models) -> CToolWindow* { return new CPositionPlotDlg(models.Line()); }},
    {CMainFrame::kTelegramStatistics, "Telegram Statistics",
     "Count the telegrams of each index and how they ended\nTelegram statistics", "stats",
     "telegramStatisticsAction",
     [](CToolWindowModels& models) -> CToolWindow* {
         const std::shared_ptr<CLineModels>& line = models.Line();
         return new CTelegramStatisticsDlg(PartOf(line, line->Statistics()));
     }},
};

} // namespace

std::span<const CToolWindowEntry> CToolWindowTable::Entries()
{
    return kToolWindows;
}

const CToolWindowEntry* CToolWindowTable::Find(int commandId)
{
    const auto found = std::find_if(std::begin(kToolWindows), std::end(kToolWindows),
                                    [commandId](const CToolWindowEntry& entry) { return entry.commandId == commandId; });
    return found != std::end(kToolWindows) ? found : nullptr;
}
