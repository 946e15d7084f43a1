#pragma once
// The one place a tool window is registered: its command on the View menu
// (text, prompt, check mark while it is open), its name for --open and its
// screenshot, and how it is made from the models it draws. The document,
// the frame and the application read this table; adding a tool window
// adds a line here and the window's own files.
#include <span>

class CToolWindow;
class CToolWindowModels;

struct CToolWindowEntry {
    int commandId;           // the View menu's command (and its toolbar button's, where it has one)
    const char* menuText;    // "Hex Window"
    const char* prompt;      // the status bar's text, "\n", the tooltip
    const char* name;        // --open NAME; its screenshot is PATH-NAME.png
    const char* actionName;  // the menu action's object name
    // A new window drawing the models it needs, started afresh where the
    // window opens so.
    CToolWindow* (*open)(CToolWindowModels& models);
};

class CToolWindowTable {
public:
    // In the order of the View menu.
    static std::span<const CToolWindowEntry> Entries();
    // Null when no tool window has that command.
    static const CToolWindowEntry* Find(int commandId);
};
